#pragma once
// Single reads and writes of the registry (platform/tregistry.h), one call each.
// Every call makes its own registry object on the given root key (0 keeps the
// default, HKEY_CURRENT_USER), opens what it needs, acts and closes again. Keys
// are paths below the root with "\" between the names.
//
// The writers open an existing key only: a value for a key that does not exist
// is not written anywhere. A value that cannot be read as asked, or a write the
// registry file refuses, throws the registry's exception.

#include "platform/tregistry.h"

#include <QObject>

#include <string>

class TRegEdit : public QObject {
    Q_OBJECT
public:
    explicit TRegEdit(QObject* owner = nullptr);

    bool KeyExists(const std::string& key, HKEY root);
    bool ValueExists(const std::string& key, const std::string& name, HKEY root);
    // 0 when the key does not open.
    int GetValueInt(const std::string& key, const std::string& name, HKEY root);
    void SetValueInt(const std::string& key, const std::string& name, int value, HKEY root);
    void SetValueStr(const std::string& key, const std::string& name, const std::string& value, HKEY root);
    void SetValueBool(const std::string& key, const std::string& name, bool value, HKEY root);
    // The first subkey of the key whose named value equals the value, compared as
    // integers with asInteger (then a value text that is no integer throws
    // std::invalid_argument) or as exact texts; empty when none does.
    std::string GetKeyName(const std::string& key, const std::string& name, const std::string& value,
                           bool asInteger, HKEY root);
    // True when the subkey exists afterwards, or was removed.
    bool CreateKey(const std::string& key, const std::string& subkey, HKEY root);
    bool DeleteKey(const std::string& key, const std::string& subkey, HKEY root);
    // True when the key exists, whether or not it held the value.
    bool DeleteValue(const std::string& key, const std::string& name, HKEY root);

private:
    // A registry object on the root for one call.
    static TRegistry Registry(HKEY root);
    template <typename Write> void vWrite(const std::string& key, HKEY root, Write write);
};
