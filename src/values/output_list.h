#pragma once

#include "values/error_report.h"
#include "values/variable.h"

#include <QString>

#include <deque>

// Everything a run prints, in order, rendered after the run by the output
// formatter. Process-wide: filled by the worker thread during a run and read
// by the user-interface thread after it.
class OutputList {
public:
    enum EntryKind {
        VARIABLE_ENTRY = 0, // name = value
        ERROR_ENTRY = 1,    // an error report
        TEXT_LINE_ENTRY = 2, // text followed by a newline
        TEXT_ENTRY = 3,     // text without a newline
    };
    struct Entry {
        EntryKind kind = TEXT_LINE_ENTRY;
        QString text; // the text, or the variable's name
        Variable value;
        ErrorReport report;
    };

    static OutputList &instance();

    void appendTextLine(const QString &text);
    void appendText(const QString &text);
    void prependTextLine(const QString &text);
    void insertTextLine(int position, const QString &text);
    void appendVariable(const QString &name, const Variable &value);
    void appendError(const ErrorReport &report);
    void removeLast();
    void removeAt(int position);
    void clear();

    int count() const { return int(_entries.size()); }
    bool isEmpty() const { return _entries.empty(); }
    const Entry &at(int position) const { return _entries[size_t(position)]; }
    Entry &front() { return _entries.front(); }
    void popFront() { _entries.pop_front(); }
    // The number of error reports with the ERROR_STATE title (for exit codes).
    int errorCount() const;

private:
    std::deque<Entry> _entries;
};
