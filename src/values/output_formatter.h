#pragma once

#include "values/output_list.h"
#include "values/variable.h"

#include <QString>

// Where the formatter keeps its precision between runs of the program. The
// desktop program and the terminal front end pass the settings-backed store
// (app/settings.h); tests pass one of their own so that they never touch the
// user's settings.
class PrecisionStore {
public:
    virtual ~PrecisionStore() = default;
    // The stored precision; the formatter validates it.
    virtual int loadPrecision() = 0;
    virtual void storePrecision(int precision) = 0;
};

// One double as printed at precision p: three leading blanks (the third one
// holds the sign) and p + 2 characters, padded with blanks to p + 5.
QString formatNumber(double value, int precision);
// The same number without the leading and trailing blanks: "2.5", "-3.",
// "1.000e+10", "nan", "-inf".
QString numberText(double value, int precision);

// Turns values and OutputList entries into the text of the command window,
// the tee file and the printer. It does not page: Pager does that for the
// console and the terminal, renderAll() serves the unpaged copies.
class OutputFormatter {
public:
    static constexpr int DEFAULT_PRECISION = 7;
    static constexpr int MINIMUM_PRECISION = 5;
    static constexpr int MAXIMUM_PRECISION = 15;
    static constexpr int LEADING_BLANKS = 3;
    static constexpr int BOOLEAN_CELL_WIDTH = 10;

    // Reads the precision from `store` (7 when missing or outside 5..15);
    // without a store nothing is loaded or saved.
    explicit OutputFormatter(PrecisionStore *store = nullptr);
    // Saves the precision once more.
    ~OutputFormatter();
    OutputFormatter(const OutputFormatter &) = delete;
    OutputFormatter &operator=(const OutputFormatter &) = delete;

    // The formatter of the running program, for the format command and the
    // preferences. The host that owns it registers it; a destroyed formatter
    // unregisters itself.
    static OutputFormatter *current();
    static void setCurrent(OutputFormatter *formatter);

    static bool isValidPrecision(int precision) { return precision >= MINIMUM_PRECISION && precision <= MAXIMUM_PRECISION; }

    int precision() const { return _precision; }
    // Stores the new value at once; false (and nothing changes) outside 5..15.
    bool setPrecision(int precision);
    // Leading blanks + p + 2: the characters one number takes.
    int numberWidth() const { return LEADING_BLANKS + _precision + 2; }
    // A double cell of the matrix layout: the number and two blanks.
    int doubleCellWidth() const { return numberWidth() + 2; }

    QString formatNumber(double value) const { return ::formatNumber(value, _precision); }

    // "\n name = \n\n" followed by the value's body.
    QString renderVariable(const QString &name, const Variable &value, int pageColumns) const;
    // The body alone: scalars on one line, vectors in the matrix layout.
    QString renderValue(const Variable &value, int pageColumns) const;
    // The text of one OutputList entry.
    QString renderEntry(const OutputList::Entry &entry, int pageColumns) const;
    // Every entry of `list`, without paging prompts and without removing
    // anything (the tee file and the printer).
    QString renderAll(const OutputList &list, int pageColumns) const;
    // Appends renderAll() to the tee file; false when it cannot be opened
    // (the caller reports it).
    bool appendToFile(const QString &path, const OutputList &list, int pageColumns) const;

    // An error report's text has no final newline, so that a following
    // variable header or report (each starting with one) leaves no empty
    // line; a text entry that follows a report needs the line ended first.
    static QString separatorBefore(const OutputList::Entry &current, bool afterReport);

private:
    QString renderMatrix(const Vector &vector, int pageColumns) const;

    PrecisionStore *_store;
    int _precision = DEFAULT_PRECISION;
};

