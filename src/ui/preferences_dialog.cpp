#include "ui/preferences_dialog.h"

#include "ui/display_preferences_dialog.h"
#include "ui/path_preferences_dialog.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

PreferencesDialog::PreferencesDialog(int precision, const QFont &consoleFont, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Preferences"));
    _tabWidget = new QTabWidget(this);
    _displayPage = new DisplayPreferencesDialog(consoleFont, precision, _tabWidget);
    _pathPage = new PathPreferencesDialog(_tabWidget);
    _tabWidget->addTab(_displayPage, tr("Display"));
    _tabWidget->addTab(_pathPage, tr("Path"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(_tabWidget, 1);
    layout->addWidget(buttons);
    resize(560, 440);
}

int PreferencesDialog::precision() const
{
    return _displayPage->precision();
}

QFont PreferencesDialog::consoleFont() const
{
    return _displayPage->chosenFont();
}

void PreferencesDialog::accept()
{
    _pathSaved = _pathPage->save();
    QDialog::accept();
}
