#include "shell/document/script_follow.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <algorithm>

#include "shell/texts/interface_text.h"

namespace kresbon {

namespace {

// How soon a redraw is tried again while another run holds the drawing.
constexpr int RedrawRetryMs = 50;

}  // namespace

DiskChangeBar::DiskChangeBar(QWidget* parent)
    : QFrame(parent), message_(new QLabel(this)), reload_(new QPushButton(this)), keepMine_(new QPushButton(this))
{
    setObjectName(QStringLiteral("DiskChangeBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette shade = palette();
    shade.setColor(QPalette::Window, QColor(255, 244, 206));
    shade.setColor(QPalette::WindowText, Qt::black);
    setPalette(shade);
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reload_->setObjectName(QStringLiteral("BtnReload"));
    keepMine_->setObjectName(QStringLiteral("BtnKeepMine"));
    // The message above the buttons, so that the bar fits a narrow editor.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 3, 6, 3);
    column->addWidget(message_);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(reload_);
    row->addWidget(keepMine_);
    column->addLayout(row);
    connect(reload_, &QPushButton::clicked, this, &DiskChangeBar::reloadChosen);
    connect(keepMine_, &QPushButton::clicked, this, &DiskChangeBar::keepMineChosen);
    hide();
}

void DiskChangeBar::tell(News news, const QString& path)
{
    news_ = news;
    path_ = path;
    showTexts();
    // A file that went away cannot be reloaded; keeping the editor's text
    // is all there is to choose.
    reload_->setVisible(news == News::Changed);
    show();
}

void DiskChangeBar::applyTexts(int languageBase)
{
    language_ = languageBase;
    showTexts();
}

void DiskChangeBar::showTexts()
{
    const TextId head = news_ == News::Changed ? TextId::FileChangedOnDisk : TextId::FileGoneFromDisk;
    // The name tells which file; the whole path is in the tip.
    message_->setText(UiText(language_, head) + QFileInfo(path_).fileName());
    message_->setToolTip(QDir::toNativeSeparators(path_));
    reload_->setText(UiText(language_, TextId::ReloadButton));
    keepMine_->setText(UiText(language_, TextId::KeepMineButton));
}

ScriptFollow::ScriptFollow(DiskChangeBar* bar, FollowedDocument document, QObject* parent)
    : QObject(parent), bar_(bar), document_(std::move(document))
{
    connect(&watch_, &FileWatch::changed, this, &ScriptFollow::onChanged);
    connect(bar_, &DiskChangeBar::reloadChosen, this, [this] {
        bar_->hide();
        document_.reload();
        redrawWhenFree();
    });
    connect(bar_, &DiskChangeBar::keepMineChosen, bar_, &QWidget::hide);
}

void ScriptFollow::setScript(const QString& path)
{
    if (path == script_) return;
    script_ = path;
    bar_->hide();
    refollow();
}

void ScriptFollow::setUsedFiles(const std::vector<std::string>& paths)
{
    QStringList used;
    for (const std::string& path : paths) used.append(QString::fromStdString(path));
    if (used == used_) return;
    used_ = std::move(used);
    refollow();
}

void ScriptFollow::refollow()
{
    watch_.follow(QStringList(script_) + used_);
}

void ScriptFollow::scriptMatchesDisk(const QString& path)
{
    watch_.acknowledge(path);
    if (path == script_) bar_->hide();
}

void ScriptFollow::onChanged(const QStringList& paths)
{
    const auto gone = std::find_if(paths.begin(), paths.end(), [](const QString& p) { return !QFileInfo::exists(p); });
    // The editor's text is what is drawn: it needs drawing again when it was
    // reloaded or a file it uses changed, not when only the bar speaks.
    bool redraw = paths.size() > 1 || !paths.contains(script_);
    if (paths.contains(script_)) {
        if (!QFileInfo::exists(script_)) {
            // Never replaced by an empty script: the editor's text is kept
            // and counts as unsaved, so that closing asks about it.
            document_.markUnsaved();
            bar_->tell(DiskChangeBar::News::Gone, script_);
        } else if (document_.unsavedEdits()) {
            bar_->tell(DiskChangeBar::News::Changed, script_);
        } else {
            bar_->hide();
            document_.reload();
            redraw = true;
        }
    } else if (gone != paths.end()) {
        bar_->tell(DiskChangeBar::News::Gone, *gone);
    }
    if (redraw) redrawWhenFree();
}

void ScriptFollow::redrawWhenFree()
{
    if (document_.redraw())
        emit followed();
    else
        QTimer::singleShot(RedrawRetryMs, this, &ScriptFollow::redrawWhenFree);
}

void ReplaceEditorText(QsciScintilla& editor, const QString& text)
{
    int line = 0;
    int index = 0;
    editor.getCursorPosition(&line, &index);
    const int firstShown = editor.firstVisibleLine();
    editor.beginUndoAction();
    editor.selectAll();
    editor.replaceSelectedText(text);
    editor.endUndoAction();
    line = std::clamp(line, 0, std::max(0, editor.lines() - 1));
    editor.setCursorPosition(line, 0);
    editor.setFirstVisibleLine(firstShown);
}

}  // namespace kresbon
