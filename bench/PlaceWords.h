#pragma once

// The parts the generated place names are built from: prefixes and roots that thousands of
// villages share, and a few Latin names.

#include <array>

inline constexpr std::array<const char*, 12> kNamePrefixes = {
    "Ново",  "Старо",  "Красно", "Бело",    "Черно",  "Верхне",
    "Нижне", "Велико", "Мало",   "Сосново", "Камено", "Богато"};
inline constexpr std::array<const char*, 16> kNameRoots = {
    "сёлки",  "горск", "дольск",   "речье",  "полье",    "ёлкино",   "озёрск",  "лесье",
    "мостье", "борск", "ивановка", "троицк", "покровка", "никольск", "заречье", "дубровка"};
inline constexpr std::array<const char*, 8> kLatinNames = {"Springfield", "Newport",   "Riverside",
                                                           "Oakwood",     "Lakeview",  "Hillcrest",
                                                           "Fairview",    "Greenville"};
