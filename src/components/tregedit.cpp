#include "components/tregedit.h"

#include "base/text_numbers.h"

namespace {

std::string Path(const std::string& key, const std::string& subkey) {
    return key + "\\" + subkey;
}

} // namespace

TRegEdit::TRegEdit(QObject* owner) : QObject(owner) {}

TRegistry TRegEdit::Registry(HKEY root) {
    TRegistry registry;
    if (root != 0)
        registry.RootKey = root;
    return registry;
}

bool TRegEdit::KeyExists(const std::string& key, HKEY root) {
    return Registry(root).KeyExists(key);
}

bool TRegEdit::ValueExists(const std::string& key, const std::string& name, HKEY root) {
    TRegistry registry = Registry(root);
    return registry.OpenKeyReadOnly(key) && registry.ValueExists(name);
}

int TRegEdit::GetValueInt(const std::string& key, const std::string& name, HKEY root) {
    TRegistry registry = Registry(root);
    return registry.OpenKeyReadOnly(key) ? registry.ReadInteger(name) : 0;
}

template <typename Write> void TRegEdit::vWrite(const std::string& key, HKEY root, Write write) {
    TRegistry registry = Registry(root);
    if (registry.OpenKey(key, false))
        write(registry);
}

void TRegEdit::SetValueInt(const std::string& key, const std::string& name, int value, HKEY root) {
    vWrite(key, root, [&](TRegistry& registry) { registry.WriteInteger(name, value); });
}

void TRegEdit::SetValueStr(const std::string& key, const std::string& name, const std::string& value,
                           HKEY root) {
    vWrite(key, root, [&](TRegistry& registry) { registry.WriteString(name, value); });
}

void TRegEdit::SetValueBool(const std::string& key, const std::string& name, bool value, HKEY root) {
    vWrite(key, root, [&](TRegistry& registry) { registry.WriteBool(name, value); });
}

std::string TRegEdit::GetKeyName(const std::string& key, const std::string& name, const std::string& value,
                                 bool asInteger, HKEY root) {
    TRegistry registry = Registry(root);
    if (!registry.OpenKeyReadOnly(key))
        return {};
    const std::vector<std::string> subkeys = registry.GetKeyNames();
    registry.CloseKey();
    for (const std::string& subkey : subkeys) {
        if (!registry.OpenKeyReadOnly(Path(key, subkey)) || !registry.ValueExists(name))
            continue;
        const bool match =
            asInteger ? registry.ReadInteger(name) == StrToInt(value) : registry.ReadString(name) == value;
        registry.CloseKey();
        if (match)
            return subkey;
    }
    return {};
}

bool TRegEdit::CreateKey(const std::string& key, const std::string& subkey, HKEY root) {
    try {
        return Registry(root).CreateKey(Path(key, subkey));
    } catch (const std::exception&) {
        return false;
    }
}

bool TRegEdit::DeleteKey(const std::string& key, const std::string& subkey, HKEY root) {
    try {
        return Registry(root).DeleteKey(Path(key, subkey));
    } catch (const std::exception&) {
        return false;
    }
}

bool TRegEdit::DeleteValue(const std::string& key, const std::string& name, HKEY root) {
    TRegistry registry = Registry(root);
    if (!registry.KeyExists(key) || !registry.OpenKey(key, false))
        return false;
    registry.DeleteValue(name);
    return true;
}
