#pragma once

#include <QImage>
#include <QString>

// The seven kinds of information items an object can carry, their names and their
// 16x16 pictures. Kind numbers are what the server stores in INFOTYPE.

inline constexpr int InfoKindEMail = 1;
inline constexpr int InfoKindPhone = 2;
inline constexpr int InfoKindWeb = 3;
inline constexpr int InfoKindContact = 4;
inline constexpr int InfoKindNote = 5;
inline constexpr int InfoKindMobile = 6;
inline constexpr int InfoKindFax = 7;

// The kind's name after TranslateRu; empty for a number that is no kind.
QString InfoKindName(int kind);
// The kind's picture in the information frame's image list (kind + 3), -1 for none.
int InfoKindImage(int kind);
// E-mail and web items open through the desktop.
bool InfoKindIsLink(int kind);

// Drawn on a magenta background, the transparent colour of Pictures.
namespace InfoPictures {

QImage EMail();    // an envelope
QImage Phone();    // a desk telephone
QImage Web();      // a globe with a meridian grid
QImage Contact();  // a person's head and shoulders
QImage Note();     // a sheet with lines
QImage Mobile();   // a handset with a screen
QImage Fax();      // a machine with a sheet coming out

// The picture of a kind (a null image for a number that is no kind).
QImage ForKind(int kind);

}  // namespace InfoPictures
