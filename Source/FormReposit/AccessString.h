#pragma once

#include <QString>

#include <vector>

// What an access string says about the rights a form registered: the first
// character "1" announces a list, then one character per right in registration
// order, "1" granting it.
struct TAccessString {
    enum class TKind {
        NoInformation,  // empty, or no rights registered: every right keeps its value
        InvalidMode,    // the first character is not "1"
        WrongCount,     // the list does not have one character per right
        Rights          // Granted holds one value per right
    };
    TKind Kind = TKind::NoInformation;
    std::vector<bool> Granted;

    static TAccessString Parse(const QString& mode, int rightCount);
};
