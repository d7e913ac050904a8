#pragma once

#include <QFont>
#include <QStringList>

class IndexHash;
class OutputFormatter;
class QPrinter;
class QWidget;

// The `print` command's output: the named variables, formatted for the
// printer's page with the console font, printed after the user accepts the
// print dialog.
class VariablePrinter {
public:
    VariablePrinter(const OutputFormatter &formatter, const IndexHash &workspace, const QFont &font);

    // Asks for the printer and prints; false when the user cancelled or the
    // page could not be prepared (the failure has been shown).
    bool print(const QStringList &names, QPrinter &printer, QWidget *parent) const;

    // The text that goes to a page of `columns` characters.
    QString pageText(const QStringList &names, int columns) const;

private:
    const OutputFormatter &_formatter;
    const IndexHash &_workspace;
    QFont _font;
};
