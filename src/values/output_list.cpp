#include "values/output_list.h"

#include "values/assert.h"

OutputList &OutputList::instance()
{
    static OutputList list;
    return list;
}

void OutputList::appendTextLine(const QString &text)
{
    Entry e;
    e.kind = TEXT_LINE_ENTRY;
    e.text = text;
    _entries.push_back(std::move(e));
}

void OutputList::appendText(const QString &text)
{
    Entry e;
    e.kind = TEXT_ENTRY;
    e.text = text;
    _entries.push_back(std::move(e));
}

void OutputList::prependTextLine(const QString &text)
{
    insertTextLine(0, text);
}

void OutputList::insertTextLine(int position, const QString &text)
{
    NUMLYRA_ASSERT(position >= 0 && position <= count());
    Entry e;
    e.kind = TEXT_LINE_ENTRY;
    e.text = text;
    _entries.insert(_entries.begin() + position, std::move(e));
}

void OutputList::appendVariable(const QString &name, const Variable &value)
{
    Entry e;
    e.kind = VARIABLE_ENTRY;
    e.text = name;
    e.value = value;
    _entries.push_back(std::move(e));
}

void OutputList::appendError(const ErrorReport &report)
{
    Entry e;
    e.kind = ERROR_ENTRY;
    e.report = report;
    _entries.push_back(std::move(e));
}

void OutputList::removeLast()
{
    NUMLYRA_ASSERT(!_entries.empty());
    _entries.pop_back();
}

void OutputList::removeAt(int position)
{
    NUMLYRA_ASSERT(position >= 0 && position < count());
    _entries.erase(_entries.begin() + position);
}

void OutputList::clear()
{
    _entries.clear();
}

int OutputList::errorCount() const
{
    int n = 0;
    for (const Entry &e : _entries)
        if (e.kind == ERROR_ENTRY && e.report.state != WARNING_STATE && e.report.state != IGNORE_STATE)
            ++n;
    return n;
}
