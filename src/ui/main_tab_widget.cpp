#include "ui/main_tab_widget.h"

#include "app/constants.h"
#include "app/current_directory.h"
#include "app/message_hook.h"
#include "ui/graph_widget.h"
#include "ui/icons.h"
#include "ui/text_edit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTabBar>
#include <QToolButton>

namespace {

struct ActionInfo {
    const char *text;
    const char *icon; // null: no icon
    void (MainTabWidget::*slot)();
};

// In the order of the PageAction enumeration and of the context menu.
const ActionInfo kActions[] = {
    {QT_TRANSLATE_NOOP("MainTabWidget", "Run\tF5/F9"), "run", &MainTabWidget::runSlot},
    {QT_TRANSLATE_NOOP("MainTabWidget", "Save\tCtrl+S"), "save", &MainTabWidget::saveSlot},
    {QT_TRANSLATE_NOOP("MainTabWidget", "Delete\tF8"), "delete", &MainTabWidget::removeSlot},
    {QT_TRANSLATE_NOOP("MainTabWidget", "Load as text"), nullptr, &MainTabWidget::loadCSVSlot},
    {QT_TRANSLATE_NOOP("MainTabWidget", "Close\tCtrl+W"), "close_tab", &MainTabWidget::closeSlot},
};

struct KeyBinding {
    int key;
    Qt::KeyboardModifiers modifiers;
    void (MainTabWidget::*slot)();
};

// Exactly these modifiers: Shift+F5 or Ctrl+Alt+W do nothing.
const KeyBinding kKeys[] = {
    {Qt::Key_W, Qt::ControlModifier, &MainTabWidget::closeSlot},
    {Qt::Key_F4, Qt::ControlModifier, &MainTabWidget::closeSlot},
    {Qt::Key_F8, Qt::NoModifier, &MainTabWidget::removeSlot},
    {Qt::Key_F5, Qt::NoModifier, &MainTabWidget::runSlot},
    {Qt::Key_F9, Qt::NoModifier, &MainTabWidget::runSlot},
    {Qt::Key_S, Qt::ControlModifier, &MainTabWidget::saveSlot},
    {Qt::Key_Tab, Qt::ControlModifier, &MainTabWidget::switchToNextTab},
    {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, &MainTabWidget::switchToPreviousTab},
    {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, &MainTabWidget::switchToPreviousTab},
};

TextEdit *editorOf(QWidget *page)
{
    return qobject_cast<TextEdit *>(page);
}

bool ask(QWidget *parent, const QString &question)
{
    return QMessageBox::question(parent, Numlyra::applicationName, question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes)
        == QMessageBox::Yes;
}

} // namespace

MainTabWidget::MainTabWidget(QWidget *console, QWidget *parent)
    : QTabWidget(parent)
    , _console(console)
{
    setDocumentMode(true);
    _menu = new QMenu(this);
    for (int i = 0; i < ACTION_COUNT; ++i) {
        const ActionInfo &info = kActions[i];
        _actions[i] = _menu->addAction(tr(info.text), this, info.slot);
        if (info.icon)
            _actions[i]->setIcon(Icons::get(QLatin1String(info.icon)));
    }
    _actions[RUN_ACTION]->setIconText(tr("Run"));
    _actions[SAVE_ACTION]->setIconText(tr("Save"));

    _closeButton = new QToolButton(this);
    _closeButton->setAutoRaise(true);
    _closeButton->setIcon(Icons::get(QStringLiteral("close_tab")));
    _closeButton->setText(tr("Close")); // shown only where the icon is missing
    _closeButton->setToolTip(tr("Close"));
    connect(_closeButton, &QToolButton::clicked, this, &MainTabWidget::closeSlot);
    setCornerWidget(_closeButton, Qt::TopRightCorner);

    connect(this, &QTabWidget::currentChanged, this, &MainTabWidget::onCurrentChanged);
    addTab(console, tr("Command Window"));
}

void MainTabWidget::setTabsEnabled(bool enabled)
{
    _enabled = enabled;
    // The command window stays enabled during a run so that Ctrl+C reaches it.
    tabBar()->setEnabled(enabled);
    for (int i = 0; i < count(); ++i)
        if (widget(i) != _console)
            widget(i)->setEnabled(enabled);
    updateActions();
}

TextEdit *MainTabWidget::findPage(const QString &path, bool readOnly) const
{
    if (path.isEmpty())
        return nullptr;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int i = 0; i < count(); ++i) {
        TextEdit *page = editorOf(widget(i));
        if (page && page->isViewer() == readOnly && page->fileName() == absolute)
            return page;
    }
    return nullptr;
}

int MainTabWidget::addEditorPage(TextEdit *page)
{
    const int index = addTab(page, QString());
    refreshTitle(page);
    setCurrentIndex(index);
    page->setFocus();
    return index;
}

void MainTabWidget::refreshTitle(QWidget *widget)
{
    TextEdit *page = editorOf(widget);
    const int index = indexOf(widget);
    if (!page || index < 0)
        return;
    QString title = page->fileName().isEmpty() ? tr("New file") : QFileInfo(page->fileName()).fileName();
    if (!page->isViewer() && page->document()->isModified())
        title += QLatin1String(" *");
    setTabText(index, title);
    setTabToolTip(index, page->fileName());
}

void MainTabWidget::offerReload(int index)
{
    TextEdit *page = editorOf(widget(index));
    if (!page || !page->changedOnDisk())
        return;
    // Asked once per change, whatever the answer.
    page->markCurrent();
    if (ask(this, tr("File \"%1\" has been changed since reading. Do you want to update it?").arg(page->fileName())))
        page->reload();
    refreshTitle(page);
}

void MainTabWidget::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    if (TextEdit *page = editorOf(widget(index))) {
        // Queued: closing deletes the page, which must not happen inside
        // its own key handler.
        connect(page, &TextEdit::switchToNextTab, this, &MainTabWidget::switchToNextTab, Qt::UniqueConnection);
        connect(page, &TextEdit::switchToPreviousTab, this, &MainTabWidget::switchToPreviousTab,
                Qt::UniqueConnection);
        connect(page, &TextEdit::closeCurrentPage, this, &MainTabWidget::closeSlot,
                Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
        page->setPageActions(pageActions());
    }
    if (widget(index) != _console)
        widget(index)->setEnabled(_enabled);
    updateActions();
}

QList<QAction *> MainTabWidget::pageActions() const
{
    return _menu->actions();
}

// One function decides every page action's state.
void MainTabWidget::updateActions()
{
    QWidget *page = currentWidget();
    bool states[ACTION_COUNT] = {};
    if (TextEdit *editor = editorOf(page)) {
        const bool hasFile = !editor->fileName().isEmpty();
        states[RUN_ACTION] = _enabled;
        states[SAVE_ACTION] = !editor->isViewer();
        states[DELETE_ACTION] = hasFile;
        states[LOAD_ACTION] = hasFile;
        states[CLOSE_ACTION] = true;
    } else if (qobject_cast<GraphWidget *>(page)) {
        states[SAVE_ACTION] = true;
        states[CLOSE_ACTION] = true;
    } else if (page && page != _console) {
        states[CLOSE_ACTION] = true;
    }
    for (int i = 0; i < ACTION_COUNT; ++i)
        _actions[i]->setEnabled(states[i]);
    _closeButton->setEnabled(_enabled && states[CLOSE_ACTION]);
}

void MainTabWidget::onCurrentChanged(int index)
{
    (void)index;
    updateActions();
}

void MainTabWidget::saveSlot()
{
    savePage(currentIndex());
}

bool MainTabWidget::savePage(int index)
{
    QWidget *widget = this->widget(index);
    if (auto *graph = qobject_cast<GraphWidget *>(widget)) {
        graph->saveSlot();
        return true;
    }
    TextEdit *page = editorOf(widget);
    if (!page || page->isViewer())
        return false;
    QString path = page->fileName();
    if (path.isEmpty()) {
        QFileDialog dialog(this, tr("Save file"), CurrentDirectory::path(),
                           tr("Scripts (%1);;All Files (*)").arg(Numlyra::scriptFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(Numlyra::scriptSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        path = dialog.selectedFiles().constFirst();
    }
    if (!page->saveFile(path))
        return false;
    refreshTitle(page);
    updateActions();
    emit tabSaved(index);
    return true;
}

// An editor page is saved first, so that the file runs as it is shown.
void MainTabWidget::runSlot()
{
    TextEdit *page = editorOf(currentWidget());
    if (!_enabled || !page)
        return;
    if (!page->isViewer() && (page->fileName().isEmpty() || page->document()->isModified())
        && !savePage(currentIndex()))
        return;
    emit run(page->fileName());
}

void MainTabWidget::removeSlot()
{
    TextEdit *page = editorOf(currentWidget());
    if (!page || page->fileName().isEmpty())
        return;
    const QString path = page->fileName();
    if (!ask(this, tr("Are you shure want to delete \"%1\"?").arg(path)))
        return;
    if (!QFileInfo::exists(path)) {
        showCriticalMessage(tr("File \"%1\" doesn't exists.").arg(path));
        return;
    }
    if (!QFile::remove(path)) {
        showCriticalMessage(tr("Can't remove \"%1\".").arg(path));
        return;
    }
    removePage(currentIndex());
}

void MainTabWidget::loadCSVSlot()
{
    TextEdit *page = editorOf(currentWidget());
    if (page && !page->fileName().isEmpty())
        emit loadCSV(page->fileName());
}

void MainTabWidget::closeSlot()
{
    closePage(currentIndex());
}

void MainTabWidget::closePage(int index)
{
    QWidget *widget = this->widget(index);
    // A running command may still draw into a graph page.
    if (!widget || widget == _console || !_enabled)
        return;
    if (auto *graph = qobject_cast<GraphWidget *>(widget))
        emit graphRemoved(graph->graph());
    TextEdit *page = editorOf(widget);
    if (page && !page->isViewer() && page->document()->isModified()) {
        const QString question = page->fileName().isEmpty()
            ? tr("The document has been modified. Do you want to save your changes?")
            : tr("The document %1 has been modified. Do you want to save your changes?").arg(page->fileName());
        const auto answer = QMessageBox::question(this, Numlyra::applicationName, question,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Yes);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes && !savePage(index))
            return;
    }
    removePage(index);
}

// Removes a page without questions. The page goes later: it may be the one
// whose key or menu asked for this.
void MainTabWidget::removePage(int index)
{
    QWidget *widget = this->widget(index);
    TextEdit *page = editorOf(widget);
    const QString path = page ? page->fileName() : QString();
    const bool viewer = page && page->isViewer();
    removeTab(index);
    widget->hide();
    widget->deleteLater();
    if (page) {
        if (viewer)
            emit viewTabClosed(path);
        else
            emit editTabClosed(path);
    }
    if (QWidget *current = currentWidget())
        current->setFocus();
}

void MainTabWidget::switchToNextTab()
{
    setCurrentIndex((currentIndex() + 1) % count());
    currentWidget()->setFocus();
}

void MainTabWidget::switchToPreviousTab()
{
    setCurrentIndex((currentIndex() + count() - 1) % count());
    currentWidget()->setFocus();
}

void MainTabWidget::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    for (const KeyBinding &binding : kKeys) {
        if (event->key() == binding.key && modifiers == binding.modifiers) {
            (this->*binding.slot)();
            return;
        }
    }
    QTabWidget::keyPressEvent(event);
}

void MainTabWidget::contextMenuEvent(QContextMenuEvent *event)
{
    const int tab = tabBar()->tabAt(tabBar()->mapFrom(this, event->pos()));
    if (tab >= 0)
        setCurrentIndex(tab);
    if (currentWidget() == _console)
        return;
    updateActions();
    _menu->exec(event->globalPos());
}
