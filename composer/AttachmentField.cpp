#include "AttachmentField.h"

#include "ComposerLayout.h"
#include "ComposerTexts.h"
#include "HandlerQueue.h"
#include "MessageOpening.h"
#include "NewAttachments.h"
#include "common/AttachmentList.h"
#include "ui/MessageUi.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>

#include <algorithm>
#include <memory>

namespace {

// A file manager offering Move would delete its file once the drop is
// accepted: only ever take a copy (or a link).
bool acceptAsCopy(QDropEvent *event)
{
    if (event->possibleActions().testFlag(Qt::CopyAction))
        event->setDropAction(Qt::CopyAction);
    else if (event->possibleActions().testFlag(Qt::LinkAction))
        event->setDropAction(Qt::LinkAction);
    else
        return false;
    event->accept();
    return true;
}

// The first of many lines, and how many more: a box as tall as a thousand
// refusals would put its OK button off the screen.
QStringList shortList(const QStringList &lines)
{
    constexpr qsizetype kShown = 20;
    if (lines.size() <= kShown)
        return lines;
    return lines.first(kShown) << composerText(ComposerText::MoreLines)
                                      .arg(QLocale(QLocale::Italian).toString(qint64(lines.size() - kShown)));
}

} // namespace

AttachmentField::AttachmentField(QLineEdit *box, QWidget *window, MessageUi &ui, HandlerQueue &handlers)
    : QObject(window), m_box(box), m_window(window), m_ui(ui), m_handlers(handlers)
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // The text boxes take drops themselves (a plain text box's viewport, for
    // the body): a file dropped on any of them is meant as an attachment too.
    for (QWidget *child : window->findChildren<QWidget *>())
        child->installEventFilter(this);
}

void AttachmentField::add(const QList<QUrl> &files)
{
    m_handlers.run([this, files] { addNow(files); });
}

bool AttachmentField::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!takesDrop(watched, drag->mimeData()))
            return false;
        if (!acceptAsCopy(drag))
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!takesDrop(watched, drop->mimeData()))
            return false;
        if (!acceptAsCopy(drop))
            return true;
        // Handled once the drop has returned: a message box opened while it
        // is delivered would hold the file manager's drag until closed.
        QMetaObject::invokeMethod(
            this,
            [this, files = drop->mimeData()->urls(), onBox = watched == m_box] { dropped(files, onBox); },
            Qt::QueuedConnection);
        return true;
    }
    case QEvent::ContextMenu:
        if (watched != m_box)
            return false;
        showMenu(static_cast<QContextMenuEvent *>(event));
        return true;
    default:
        return false;
    }
}

// Allegati and the window's own surface take any list of URLs, to refuse
// what is not a local file; another box keeps its own drop of a web link as
// text.
bool AttachmentField::takesDrop(const QObject *watched, const QMimeData *data) const
{
    if (!data || !data->hasUrls())
        return false;
    if (watched == m_box || watched == m_window)
        return true;
    const QList<QUrl> urls = data->urls();
    return std::all_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

void AttachmentField::dropped(const QList<QUrl> &files, bool onBox)
{
    QList<QUrl> attached;
    for (const QUrl &url : files) {
        if (!onBox && m_openMessage && url.isLocalFile() && MessageOpening::isMessageFile(url.toLocalFile()))
            m_openMessage(url.toLocalFile());
        else
            attached << url;
    }
    if (!attached.isEmpty())
        add(attached);
}

void AttachmentField::showMenu(const QContextMenuEvent *event)
{
    const std::unique_ptr<QMenu> menu(m_box->createStandardContextMenu());
    QAction *first = menu->actions().value(0);
    auto *choose = new QAction(composerText(ComposerText::AddAttachmentsMenu), menu.get());
    menu->insertAction(first, choose);
    menu->insertSeparator(first);
    if (menu->exec(event->globalPos()) == choose)
        m_handlers.run([this] { chooseFiles(); });
}

void AttachmentField::chooseFiles()
{
    QList<QUrl> files;
    for (const QString &path :
         m_ui.chooseFiles(composerText(ComposerText::AddAttachmentsTitle), startDirectory()))
        files.append(NewAttachments::chosenFile(path));
    if (!files.isEmpty())
        addNow(files);
}

void AttachmentField::addNow(const QList<QUrl> &files)
{
    const NewAttachments::Result result = NewAttachments::append(m_box->text(), files);
    QStringList refused = result.refused;
    if (refused.isEmpty() && result.text.size() > ComposerLayout::lineBoxLimit)
        refused.append(composerText(ComposerText::AttachmentListTooLong));
    if (!refused.isEmpty()) {
        m_ui.showMessage(composerText(ComposerText::NoFileAdded).arg(shortList(refused).join(u'\n')),
                         composerText(ComposerText::WarningTitle), MessageUi::Icon::Information);
        return;
    }
    if (result.text == m_box->text())
        return;
    // Replaced as an edit, so that Ctrl+Z takes the files back out.
    m_box->selectAll();
    m_box->insert(result.text);
}

// Where the last listed file is, as the user is likely to pick its neighbours.
QString AttachmentField::startDirectory() const
{
    const QStringList listed = parseAttachmentList(m_box->text());
    const QString last = listed.isEmpty() ? QString() : listed.last();
    const QFileInfo folder(QFileInfo(last).absolutePath());
    if (!last.isEmpty() && folder.isDir())
        return folder.absoluteFilePath();
    return QDir::homePath();
}
