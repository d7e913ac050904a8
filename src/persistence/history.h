#pragma once

#include <QBrush>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPair>
#include <QStandardItemModel>
#include <QString>
#include <QStringList>

// One line of an entry: the StatementType of its prompt and its text.
using HistoryLine = QPair<int, QString>;
// A statement (one line or several) or, with the single type 10, a run separator.
using HistoryEntry = QList<HistoryLine>;

// The rows of the History dock: run rows at the top level, statements as
// their children. Items are read-only and drag out as plain text.
class HistoryModel : public QStandardItemModel {
    Q_OBJECT
public:
    enum Roles {
        RUN_ROLE = Qt::UserRole + 1,
        INDEX_ROLE = Qt::UserRole + 10,
        ENTRY_ROLE = Qt::UserRole + 11,
    };
    using QStandardItemModel::QStandardItemModel;
    QStringList mimeTypes() const override { return {QStringLiteral("text/plain")}; }
};

// Every statement entered in the command window, across runs, grouped by run
// and kept in the file "history" of the program directory.
class History : public QObject {
    Q_OBJECT
public:
    static constexpr int SEPARATOR_TYPE = 10;
    static constexpr int ENTRY_BEGIN_TYPE = 11;
    static constexpr int ENTRY_END_TYPE = 12;

    // `directory` is the program directory; empty when it is not available
    // (the history is then neither loaded nor saved).
    explicit History(const QString &directory, QObject *parent = nullptr);

    void add(const HistoryEntry &entry);

    bool hasPrevious() const;
    void previous();
    bool hasNext() const;
    void next();
    const HistoryEntry &current() const;
    void reset();

    // Clears everything (the caller has asked the user) and starts over with
    // the separator of this run's start time.
    void clear();
    // Texts for the clipboard and for saving.
    QString allText() const;
    QString selectionText(const QModelIndexList &rows, bool finalLineFeed) const;
    // Writes every entry's lines (run rows as their date-time line).
    bool saveAll(const QString &path) const;
    bool saveSelection(const QString &path, const QModelIndexList &rows) const;
    // Emits runSelected with the selected lines, each ending in a line feed.
    void runSelection(const QModelIndexList &rows);

    HistoryModel *model() const { return _model; }
    const QList<HistoryEntry> &entries() const { return _history; }
    QString filePath() const;
    const QDateTime &startTime() const { return _startTime; }
    static QBrush separatorBrush() { return QBrush(QColor(0, 127, 0)); }

signals:
    void itemInserted();
    void runSelected(const QString &text);
    void resizeView(int column);

private:
    void load();
    void discardFile(bool corrupted);
    void addSeparator(const QString &text);
    void appendToFile(const HistoryEntry &entry);
    void insertRow(const HistoryEntry &entry, int index, bool run);
    static QString displayText(const HistoryEntry &entry);
    QStringList linesOf(const QModelIndexList &rows) const;
    bool writeLines(const QString &path, const QStringList &lines, const QString &failure) const;

    QString _directory;
    QList<HistoryEntry> _history;
    int _historyIt = 0;
    QDateTime _startTime;
    HistoryModel *_model = nullptr;
    QStandardItem *_currentRun = nullptr;
    int _longestText = 0;
};
