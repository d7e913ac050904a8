#pragma once

#include "values/output_formatter.h"
#include "values/output_list.h"

#include <QString>

// Hands the output of a run to the command window one page at a time. Entries
// are taken from the front of the list and removed once their text has been
// given out completely, so an entry that does not fit continues on the next
// page. A page holds rows - 1 lines and, when more output follows, ends with
// the paging question on its last row.
//
// The console (and the terminal front end) drive it like this:
//     pager.setPageSize(rows, columns);
//     while (pager.hasText()) {
//         show(pager.nextPage());
//         if (pager.hasText() && key is n, q or Ctrl+C) { pager.clear(); break; }
//     }
class Pager {
public:
    explicit Pager(const OutputFormatter &formatter, OutputList &list = OutputList::instance());

    // Values below one row or one column are raised to one.
    void setPageSize(int rows, int columns);
    int pageRows() const { return _rows; }
    int pageColumns() const { return _columns; }
    // Without the prompt the pages are not interrupted: nextPage() returns
    // everything.
    void setPromptOff(bool off) { _promptOff = off; }
    bool isPromptOff() const { return _promptOff; }

    // Output is left: a partly shown entry or entries in the list.
    bool hasText() const { return _partial || !_list.isEmpty(); }
    // The next page; it ends with "\n" and pagingPrompt() when output remains.
    QString nextPage();
    // Drops the rest of the output (n, q or Ctrl+C at the question).
    void clear();

    // The question cut to min(columns - 4, 56) characters, then "...".
    static QString pagingPrompt(int columns);

private:
    const OutputFormatter &_formatter;
    OutputList &_list;
    int _rows = 62;
    int _columns = 76;
    bool _promptOff = false;
    // The rendered text of the front entry while it is being given out.
    bool _partial = false;
    QString _pending;
    qsizetype _position = 0;
    bool _afterReport = false;
};
