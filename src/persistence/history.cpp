#include "persistence/history.h"

#include "app/message_hook.h"
#include "app/regular_file.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

const QString kFileName = QStringLiteral("history");

bool parseType(const QString &text, int &type)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit() && c != QLatin1Char('-') && c != QLatin1Char('+'))
            return false;
    bool ok = false;
    type = text.toInt(&ok);
    return ok;
}

} // namespace

History::History(const QString &directory, QObject *parent)
    : QObject(parent)
    , _directory(directory)
    , _startTime(QDateTime::currentDateTime())
    , _model(new HistoryModel(this))
{
    load();
    const QString text = _startTime.toString(Qt::TextDate);
    addSeparator(text);
    appendToFile(_history.last());
    reset();
}

QString History::filePath() const
{
    return _directory.isEmpty() ? QString() : QDir(_directory).filePath(kFileName);
}

void History::load()
{
    if (_directory.isEmpty() || !QDir(_directory).exists())
        return;
    QFile file(filePath());
    if (!file.exists())
        return;
    if (!RegularFile::openForReading(file, QIODevice::Text)) {
        showCriticalMessage(QStringLiteral("Can't open history file"));
        discardFile(false);
        return;
    }
    QTextStream stream(&file);
    bool open = false;
    bool corrupt = false;
    HistoryEntry entry;
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        const int semicolon = line.indexOf(QLatin1Char(';'));
        int type = 0;
        if (line.isEmpty() || semicolon < 0 || !parseType(line.left(semicolon), type)) {
            corrupt = true;
            break;
        }
        const QString text = line.mid(semicolon + 1);
        if (type == SEPARATOR_TYPE) {
            if (open || text.isEmpty()) {
                corrupt = true;
                break;
            }
            addSeparator(text);
        } else if (type == ENTRY_BEGIN_TYPE) {
            if (open || !text.isEmpty()) {
                corrupt = true;
                break;
            }
            open = true;
            entry.clear();
        } else if (type == ENTRY_END_TYPE) {
            if (!open || !text.isEmpty() || entry.isEmpty()) {
                corrupt = true;
                break;
            }
            open = false;
            _history.append(entry);
            insertRow(entry, int(_history.size()) - 1, false);
        } else {
            if (!open) {
                corrupt = true;
                break;
            }
            entry.append({type, text});
        }
    }
    if (open)
        corrupt = true;
    file.close();
    if (corrupt) {
        showCriticalMessage(QStringLiteral("History file corrupted"));
        _history.clear();
        _model->clear();
        _currentRun = nullptr;
        _longestText = 0;
        discardFile(true);
    }
    reset();
}

void History::discardFile(bool)
{
    QFile file(filePath());
    if (file.exists() && !file.remove())
        showCriticalMessage(QStringLiteral("Can't delete history file"));
}

QString History::displayText(const HistoryEntry &entry)
{
    QStringList lines;
    for (const HistoryLine &line : entry)
        lines << QString(line.second).replace(QLatin1Char('\t'), QStringLiteral("    "));
    return lines.join(QLatin1Char('\n'));
}

void History::insertRow(const HistoryEntry &entry, int index, bool run)
{
    const QString text = displayText(entry);
    auto *item = new QStandardItem(text);
    item->setToolTip(text);
    item->setEditable(false);
    item->setData(run, HistoryModel::RUN_ROLE);
    item->setData(index, HistoryModel::INDEX_ROLE);
    item->setData(QVariant::fromValue(quintptr(index)), HistoryModel::ENTRY_ROLE);
    if (run) {
        item->setForeground(separatorBrush());
        _model->appendRow(item);
        _currentRun = item;
    } else if (_currentRun) {
        _currentRun->appendRow(item);
    } else {
        _model->appendRow(item);
    }
    emit itemInserted();
    int longest = 0;
    for (const HistoryLine &line : entry)
        longest = qMax(longest, int(line.second.size()));
    if (longest > _longestText) {
        _longestText = longest;
        emit resizeView(0);
    }
}

void History::addSeparator(const QString &text)
{
    _history.append(HistoryEntry{{SEPARATOR_TYPE, text}});
    insertRow(_history.last(), int(_history.size()) - 1, true);
    reset();
}

void History::add(const HistoryEntry &entry)
{
    if (entry.isEmpty())
        return;
    if (!_history.isEmpty() && _history.last() == entry) {
        reset();
        return;
    }
    _history.append(entry);
    insertRow(entry, int(_history.size()) - 1, false);
    appendToFile(entry);
    reset();
}

void History::appendToFile(const HistoryEntry &entry)
{
    if (_directory.isEmpty())
        return;
    // The directory may have been removed while the program runs: it comes
    // back with the next entry.
    if (!QDir(_directory).exists() && !QDir().mkpath(_directory)) {
        showCriticalMessage(QStringLiteral("Can't create program directory"));
        return;
    }
    QFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        showCriticalMessage(QStringLiteral("Can't open file %1 to write").arg(kFileName));
        discardFile(false);
        return;
    }
    QTextStream stream(&file);
    if (entry.size() == 1 && entry.first().first == SEPARATOR_TYPE) {
        stream << SEPARATOR_TYPE << ';' << entry.first().second << '\n';
        return;
    }
    stream << ENTRY_BEGIN_TYPE << ";\n";
    for (const HistoryLine &line : entry)
        stream << line.first << ';' << line.second << '\n';
    stream << ENTRY_END_TYPE << ";\n";
}

static bool isSeparator(const HistoryEntry &entry)
{
    return entry.size() == 1 && entry.first().first == History::SEPARATOR_TYPE;
}

bool History::hasPrevious() const
{
    if (_historyIt <= 0)
        return false;
    for (int i = _historyIt - 1; i >= 0; --i)
        if (!isSeparator(_history[i]))
            return true;
    return false;
}

void History::previous()
{
    if (!hasPrevious())
        return;
    --_historyIt;
    while (_historyIt > 0 && isSeparator(_history[_historyIt]))
        --_historyIt;
}

bool History::hasNext() const
{
    for (int i = _historyIt + 1; i < _history.size(); ++i)
        if (!isSeparator(_history[i]))
            return true;
    return false;
}

void History::next()
{
    // Past the last statement browsing ends: the position goes behind the end.
    ++_historyIt;
    while (_historyIt < _history.size() && isSeparator(_history[_historyIt]))
        ++_historyIt;
    if (_historyIt > _history.size())
        _historyIt = int(_history.size());
}

const HistoryEntry &History::current() const
{
    static const HistoryEntry none;
    if (_historyIt < 0 || _historyIt >= _history.size())
        return none;
    return _history[_historyIt];
}

void History::reset()
{
    _historyIt = int(_history.size());
}

void History::clear()
{
    discardFile(false);
    _history.clear();
    _model->clear();
    _currentRun = nullptr;
    _longestText = 0;
    addSeparator(_startTime.toString(Qt::TextDate));
    appendToFile(_history.last());
    reset();
}

QString History::allText() const
{
    QStringList lines;
    for (const HistoryEntry &entry : _history)
        for (const HistoryLine &line : entry)
            lines << line.second;
    return lines.join(QLatin1Char('\n'));
}

QStringList History::linesOf(const QModelIndexList &rows) const
{
    QStringList lines;
    for (const QModelIndex &row : rows) {
        const int index = row.data(HistoryModel::INDEX_ROLE).toInt();
        if (index < 0 || index >= _history.size())
            continue;
        for (const HistoryLine &line : _history[index])
            lines << line.second;
    }
    return lines;
}

QString History::selectionText(const QModelIndexList &rows, bool finalLineFeed) const
{
    const QStringList lines = linesOf(rows);
    if (lines.isEmpty())
        return QString();
    QString text = lines.join(QLatin1Char('\n'));
    if (finalLineFeed)
        text += QLatin1Char('\n');
    return text;
}

void History::runSelection(const QModelIndexList &rows)
{
    const QString text = selectionText(rows, true);
    if (!text.isEmpty())
        emit runSelected(text);
}

bool History::writeLines(const QString &path, const QStringList &lines, const QString &failure) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        showCriticalMessage(failure);
        return false;
    }
    QTextStream stream(&file);
    for (const QString &line : lines)
        stream << line << '\n';
    return true;
}

bool History::saveAll(const QString &path) const
{
    QStringList lines;
    for (int r = 0; r < _model->rowCount(); ++r) {
        QStandardItem *run = _model->item(r);
        QModelIndexList rows{run->index()};
        for (int c = 0; c < run->rowCount(); ++c)
            rows << run->child(c)->index();
        lines << linesOf(rows);
    }
    return writeLines(path, lines, QStringLiteral("Can't open history file"));
}

bool History::saveSelection(const QString &path, const QModelIndexList &rows) const
{
    if (rows.isEmpty())
        return true;
    return writeLines(path, linesOf(rows), QStringLiteral("Can't open file %1 to write").arg(path));
}
