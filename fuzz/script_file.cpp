// Script files (".stf") as the script set-up loads them: any bytes load without a
// crash or a read past their end, and what loads saves and loads back the same.
#include "fuzz_require.h"
#include "terminal/script_store.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ScriptTable table;
    const ScriptFileContents contents = DecodeScriptFile(bytes, table);
    require(contents.keys.size() <= static_cast<size_t>(kScriptKeys));
    for (const ScriptKeyText& key : contents.keys)
        require(key.text.size() <= size);

    ScriptTable reloaded;
    require(DecodeScriptFile(EncodeScriptFile(table), reloaded).layout == ScriptFileContents::Sets);
    for (int k = 1; k <= kScriptCells; ++k) {
        require(reloaded.cell(k).text == table.cell(k).text);
        require(reloaded.cell(k).IsMixed() == table.cell(k).IsMixed());
    }
    return 0;
}
