#pragma once

#include <QList>
#include <QVariant>

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "Platform/qxvglobal.h"

// One row of a TRows: a run of cells inside the set's one array, valid while the set lives.
class QXV_PLATFORM_EXPORT TRowView {
public:
    TRowView(const QVariant* cells, size_t width) : FCells(cells), FWidth(width) {}

    size_t size() const { return FWidth; }
    bool empty() const { return FWidth == 0; }
    const QVariant& operator[](size_t column) const { return FCells[column]; }
    // Throws std::out_of_range past the last column.
    const QVariant& at(size_t column) const;
    const QVariant* begin() const { return FCells; }
    const QVariant* end() const { return FCells + FWidth; }

private:
    const QVariant* FCells;
    size_t FWidth;
};

// The rows of a result stored flat: every cell of the set in one array, row after row, so a
// level of ten thousand places costs one allocation for its rows, not ten thousand. All rows
// have the same width, fixed by the first row added (or by SetWidth before any).
class QXV_PLATFORM_EXPORT TRows {
public:
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = TRowView;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = TRowView;

        const_iterator(const TRows* rows, size_t row) : FRows(rows), FRow(row) {}
        TRowView operator*() const { return (*FRows)[FRow]; }
        const_iterator& operator++() { ++FRow; return *this; }
        bool operator==(const const_iterator& other) const { return FRow == other.FRow; }

    private:
        const TRows* FRows;
        size_t FRow;
    };

    TRows() = default;
    TRows(std::initializer_list<std::initializer_list<QVariant>> rows);

    size_t size() const { return FCount; }
    bool empty() const { return FCount == 0; }
    size_t Width() const { return FWidth; }

    TRowView operator[](size_t row) const { return {FCells.constData() + row * FWidth, FWidth}; }
    // Throws std::out_of_range past the last row.
    TRowView at(size_t row) const;
    TRowView front() const { return (*this)[0]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, FCount}; }

    // The width of the rows to come; only while the set is empty.
    void SetWidth(size_t width);
    void reserve(size_t rows) { FCells.reserve(qsizetype(rows * FWidth)); }
    // Adds one cell, made in place from the arguments, to the row being filled; a row is
    // complete after Width() cells.
    template <typename... TArgs>
    void Append(TArgs&&... cell) {
        FCells.emplaceBack(std::forward<TArgs>(cell)...);
        if (++FFilled == FWidth) {
            FFilled = 0;
            ++FCount;
        }
    }
    // Adds a whole row; throws std::invalid_argument when its width differs from the others'.
    void push_back(const std::vector<QVariant>& row) { AddRow(row.data(), row.size()); }
    void push_back(std::initializer_list<QVariant> row) { AddRow(row.begin(), row.size()); }
    void clear();
    // The rows in the opposite order.
    void Reverse();

private:
    void AddRow(const QVariant* cells, size_t width);

    // A list, not a vector: its growth moves the cells as plain memory.
    QList<QVariant> FCells;
    size_t FWidth = 0;
    size_t FCount = 0;
    size_t FFilled = 0;  // cells of the row being filled
};

// A column's text as a value, sharing the previous row's string when the bytes repeat: the
// short names and abbreviations of a level are the same in most of its rows, and a shared
// string costs no allocation. A column whose first rows hardly ever repeat (the names
// themselves) stops being compared and costs no more than a plain conversion.
class QXV_PLATFORM_EXPORT TRepeatedText {
public:
    QVariant Value(const char* utf8, size_t size);

private:
    static constexpr int kTrialRows = 32;  // rows seen before deciding
    static constexpr int kWorthwhile = 8;  // repeats among them that make sharing pay

    std::string FBytes;
    QVariant FValue;
    bool FHeld = false;
    bool FGivenUp = false;
    int FSeen = 0;
    int FRepeats = 0;
};
