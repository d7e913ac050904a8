#include "ui/variable_printer.h"

#include "app/message_hook.h"
#include "values/index_hash.h"
#include "values/output_formatter.h"
#include "values/output_list.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTextStream>

#include <algorithm>

VariablePrinter::VariablePrinter(const OutputFormatter &formatter, const IndexHash &workspace, const QFont &font)
    : _formatter(formatter)
    , _workspace(workspace)
    , _font(font)
{
}

QString VariablePrinter::pageText(const QStringList &names, int columns) const
{
    OutputList list;
    for (const QString &name : names) {
        const int position = _workspace.indexOf(name);
        if (position >= 0 && !_workspace.at(position).isAbsent())
            list.appendVariable(name, _workspace.at(position));
    }
    return _formatter.renderAll(list, columns);
}

bool VariablePrinter::print(const QStringList &names, QPrinter &printer, QWidget *parent) const
{
    if (names.isEmpty())
        return false;
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    switch (printer.pageLayout().orientation()) {
    case QPageLayout::Portrait:
    case QPageLayout::Landscape:
        break;
    default:
        showCriticalMessage(QObject::tr("Unknown page orientation"));
        return false;
    }
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QFontMetrics metrics(_font, &printer);
    const int columns = page.width() / std::max(1, metrics.averageCharWidth());

    // The formatted text goes through a file so that a long listing is not
    // held twice while the printer lays it out.
    QTemporaryFile file;
    if (!file.open()) {
        showCriticalMessage(QObject::tr("Can't create temporary file"));
        return false;
    }
    {
        QTextStream out(&file);
        out << pageText(names, columns);
    }
    file.seek(0);
    QPlainTextEdit editor;
    editor.setFont(_font);
    editor.setPlainText(QString::fromUtf8(file.readAll()));
    editor.print(&printer);
    return true;
}
