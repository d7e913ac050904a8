#include "values/pager.h"

#include <algorithm>

Pager::Pager(const OutputFormatter &formatter, OutputList &list)
    : _formatter(formatter)
    , _list(list)
{
}

void Pager::setPageSize(int rows, int columns)
{
    _rows = std::max(1, rows);
    _columns = std::max(1, columns);
}

QString Pager::pagingPrompt(int columns)
{
    static const QString question = QStringLiteral("Press n or q or ^C to stop, or any other key to continue");
    const int length = std::clamp(columns - 4, 0, 56);
    return question.left(length) + QStringLiteral("...");
}

QString Pager::nextPage()
{
    // The last row of a page is the question's, but a page always carries at
    // least one line of output.
    const int maxLines = std::max(1, _rows - 1);
    int lines = 0;
    QString page;
    for (;;) {
        if (!_partial && _list.isEmpty()) {
            _afterReport = false; // the next run starts on a fresh line
            return page;
        }
        if (!_promptOff && lines >= maxLines)
            return page + pagingPrompt(_columns);
        if (!_partial) {
            // Rendered only when its first line is due, so that a precision
            // or width change made at the question applies to it.
            const OutputList::Entry &entry = _list.front();
            _pending = OutputFormatter::separatorBefore(entry, _afterReport)
                + _formatter.renderEntry(entry, _columns);
            _afterReport = entry.kind == OutputList::ERROR_ENTRY;
            _position = 0;
            _partial = true;
        }
        if (_position < _pending.size()) {
            const qsizetype newline = _pending.indexOf(QLatin1Char('\n'), _position);
            const qsizetype end = newline < 0 ? _pending.size() : newline + 1;
            page += QStringView(_pending).mid(_position, end - _position);
            _position = end;
            if (newline >= 0)
                ++lines;
        }
        if (_position >= _pending.size()) {
            _partial = false;
            _pending.clear();
            _list.popFront();
        }
    }
}

void Pager::clear()
{
    _partial = false;
    _pending.clear();
    _position = 0;
    _afterReport = false;
    _list.clear();
}
