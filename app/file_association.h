#pragma once
// The .gal file association, rewritten on every start so that a moved program still opens its
// projects. It is written for the current user (HKCU\Software\Classes, which is what the
// user's HKEY_CLASSES_ROOT shows): the machine-wide keys need administrator rights.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

struct AssociationValue {
    std::wstring key;    // below the classes root
    std::wstring value;  // the key's default value
};

// The program folder of a module path: cut at the last backslash or slash, the separator
// dropped except directly after a drive colon ("C:\Builder.exe" gives "C:\").
std::wstring associationFolder(std::wstring_view modulePath);

// The four values, in the order they are written, for the program at `modulePath`. The open
// command quotes the program and passes the file: "<folder>\Builder.exe" "%1".
std::vector<AssociationValue> associationValues(std::wstring_view modulePath);

// Writes the default value of `key` below `root` as a string. A failure is shown (no owner) as
// the system's text for the error, captioned "Utility Class Error in SetRegString (<code>)";
// false then.
bool setRegString(HKEY root, const std::wstring& key, const std::wstring& value);

// Writes every value below `root` (HKCU\Software\Classes when null) for the running program,
// or for `modulePath` when given. Failures are shown one by one and never stop the rest.
void writeFileAssociation(HKEY root = nullptr, std::wstring_view modulePath = {});
