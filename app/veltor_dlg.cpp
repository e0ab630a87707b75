#include "app/veltor_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>

#include "app/image_properties_dlg.h"
#include "app/toolbar_dlg.h"
#include "app/version.h"
#include "core/run_loop.h"
#include "core/string_table.h"
#include "core/ui_text.h"
#include "discovery/properties.h"
#include "imaging/clipboard_copy.h"
#include "imaging/image_viewer.h"
#include "resources/icon_resources.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"
#include "ui/window_frame.h"

namespace {

// The window's layout in dialog units.
constexpr int kClientWidth = 272;
constexpr int kClientHeight = 228;

// Moves `widget` by (x, y) and grows it by (width, height) in one step.
void OffsetWindow(QWidget* widget, int x, int y, int width, int height) {
    const QRect r = widget->geometry();
    widget->setGeometry(r.x() + x, r.y() + y, r.width() + width, r.height() + height);
}

}  // namespace

CVeltorDlg::CVeltorDlg(const QString& profilePath, QWidget* parent)
    : QDialog(parent), m_profilePath(profilePath) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    LoadIconResources();
    setWindowIcon(QIcon(QStringLiteral(":/icons/veltor.svg")));
    setSizeGripEnabled(false);
    CreateControls();

    // The template's size is the smallest the window may become.
    const DialogUnits units;
    resize(units.Size(kClientWidth, kClientHeight));
    m_minimumSize = size();
    setMinimumSize(m_minimumSize);
    m_lastClientSize = size();
    m_normalSize = size();
    m_sizesRecorded = true;

    CreateImageParamsDialog();
    PositionToolbar();
    m_toolbar->SetModeSelection(0);
    UpdateControls(Focus::KeepUnlessDisabled);
    m_toolbar->show();

    ExchangeSettings(Exchange::Load);
    m_paramsDlg->SetParameters(*SetOfDialogMode());
    UpdateControls(Focus::ToStartOrStop);
    setWindowTitle(UiText(IDS_TITLE) + QLatin1Char(' ') + ProgramVersion());
}

CVeltorDlg::~CVeltorDlg() = default;

void CVeltorDlg::CreateControls() {
    const DialogUnits units;
    m_imageView = new CImageViewer(this);
    m_imageView->setGeometry(units.Rect(4, 4, 264, 184));

    m_statusLine = new QLabel(this);
    m_statusLine->setGeometry(units.Rect(4, 192, 264, 12));
    m_statusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_statusLine->setAccessibleName(UiText(IDS_DESC_STATUS_LINE));
    m_statusLine->setAccessibleDescription(UiText(IDS_DESC_STATUS_LINE));
    // A long progress text must not push the layout around.
    m_statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    m_separator = new QFrame(this);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);
    m_separator->setGeometry(units.Rect(4, 208, 264, 1));

    m_toolbarPlace = new QWidget(this);  // only gives the toolbar its place; never shown
    m_toolbarPlace->setGeometry(units.Rect(4, 212, 264, 12));
    m_toolbarPlace->hide();

    m_toolbar = new CToolbarDlg(this);
    connect(m_toolbar, &CToolbarDlg::command, this, &CVeltorDlg::OnCommand);
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, this, [this] {
        if (m_toolbar->Control(CToolbarDlg::IDC_SAVE)->isEnabled()) OnSave();
    });
    m_imageView->SetDragFile([this] { return DragFile(); });
}

void CVeltorDlg::CreateImageParamsDialog() {
    m_paramsDlg = new CImagePropertiesDlg(this);
    connect(m_paramsDlg, &CImagePropertiesDlg::loadRequested, this, [this] {
        if (ImageParameters* set = SetOfDialogMode()) m_paramsDlg->SetParameters(*set);
    });
    connect(m_paramsDlg, &CImagePropertiesDlg::applyRequested, this, [this] {
        if (ImageParameters* set = SetOfDialogMode()) *set = m_paramsDlg->Parameters();
        m_autoSaver.Confirm(m_paramsDlg->AutoSave());
    });
    connect(m_paramsDlg, &CImagePropertiesDlg::hideRequested, this, [this] {
        m_paramsDlg->hide();
        UpdateControls(Focus::KeepUnlessDisabled);
    });
}

// The set the parameters dialog edits: its mode list picks snapshot (0) or video (1).
ImageParameters* CVeltorDlg::SetOfDialogMode() {
    switch (m_paramsDlg->ModeSelection()) {
        case 0: return &m_snapshotParams;
        case 1: return &m_videoParams;
        default: return nullptr;
    }
}

void CVeltorDlg::UpdateControls(Focus focus) {
    QWidget* focused = QApplication::focusWidget();
    m_toolbar->EnableControl(CToolbarDlg::IDC_START, !m_busy);
    m_toolbar->EnableControl(CToolbarDlg::IDC_STOP, m_busy);
    m_toolbar->EnableControl(CToolbarDlg::IDC_COPY, true);
    m_toolbar->EnableControl(CToolbarDlg::IDC_SAVE, m_held.type != ImageFileType::None);
    m_toolbar->EnableControl(CToolbarDlg::IDC_SETTINGS, !m_busy);
    m_toolbar->EnableControl(CToolbarDlg::IDC_MODE_LIST, !m_busy);
    m_toolbar->EnableControl(CToolbarDlg::IDC_IMAGE_PARAMS, true);
    // Qt passes the focus on by itself when its control is disabled; take it to Start or Stop.
    if (focus == Focus::ToStartOrStop || !focused || !focused->isEnabled())
        m_toolbar->FocusControl(m_busy ? CToolbarDlg::IDC_STOP : CToolbarDlg::IDC_START);
    m_toolbar->SetImageParamsChecked(m_paramsDlg->isVisible());
}

void CVeltorDlg::OnCommand(int id) {
    switch (id) {
        case CToolbarDlg::IDC_START: OnStart(); break;
        case CToolbarDlg::IDC_STOP: PostStopRequest(0); break;
        case CToolbarDlg::IDC_COPY: OnCopy(); break;
        case CToolbarDlg::IDC_SAVE: OnSave(); break;
        case CToolbarDlg::IDC_SETTINGS: OnSettings(); break;
        case CToolbarDlg::IDC_IMAGE_PARAMS: ShowImageParams(!m_paramsDlg->isVisible()); break;
        default: break;
    }
}

void CVeltorDlg::reject() { PostStopRequest(0); }

void CVeltorDlg::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button; the default one (Start) has done so itself. Anywhere else
    // it would press the default button, and in this window it does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (button && button->isEnabled() && !button->isDefault()) button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CVeltorDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (m_busy) {
        // Closed once the run has unwound.
        m_closePending = true;
        PostStopRequest(0);
        return;
    }
    CloseIfIdle();
}

bool CVeltorDlg::CloseIfIdle() {
    if (m_busy) return false;
    ExchangeSettings(Exchange::Save);
    done(QDialog::Accepted);
    return true;
}

void CVeltorDlg::ShowImageParams(bool show) {
    if (!show) {
        m_paramsDlg->hide();
    } else {
        if (!m_paramsPlaced) {
            m_paramsPlaced = true;
            PlaceImageParams();  // placed before it shows, so it never appears elsewhere first
            WhenFramed(m_paramsDlg, [this] { PlaceImageParams(); });
        }
        m_paramsDlg->show();
        m_paramsDlg->activateWindow();
    }
    UpdateControls(Focus::KeepUnlessDisabled);
}

// The dialog's first place: its frame just above the Image parameters button, left edges
// aligned. Until the dialog has a frame of its own, the main window's stands in for it.
void CVeltorDlg::PlaceImageParams() {
    QWidget* button = m_toolbar->Control(CToolbarDlg::IDC_IMAGE_PARAMS);
    const QPoint buttonTop = button->mapToGlobal(QPoint(0, 0));
    const int ownFrame = m_paramsDlg->frameGeometry().height() - m_paramsDlg->height();
    const int frame = ownFrame > 0 ? ownFrame : frameGeometry().height() - height();
    m_paramsDlg->move(buttonTop.x(), buttonTop.y() - m_paramsDlg->height() - frame);
}

void CVeltorDlg::OnCopy() {
    if (!CopyImageToClipboard(m_imageView->SourceImage()))
        ShowMessageBox(this, UiText(IDS_CLIPBOARD_FAILED), MsgIcon::Error);
}

void CVeltorDlg::OnSettings() {
    // The sheet's caption is the Settings button's own text.
    const QString caption = UiText(IDS_BUTTON_SETTINGS);
    if (auto chosen = RunSettingsSheet(this, caption, m_connection)) m_connection = *chosen;
}

void CVeltorDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!m_sizesRecorded || (windowState() & Qt::WindowMinimized)) return;
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) m_normalSize = size();
    Layout(size());
}

// Every control keeps its margins: the view grows with the window, the rest moves down.
void CVeltorDlg::Layout(QSize newClient) {
    const int dx = newClient.width() - m_lastClientSize.width();
    const int dy = newClient.height() - m_lastClientSize.height();
    OffsetWindow(m_imageView, 0, 0, dx, dy);
    OffsetWindow(m_statusLine, 0, dy, dx, 0);
    OffsetWindow(m_separator, 0, dy, dx, 0);
    OffsetWindow(m_toolbarPlace, 0, dy, dx, 0);
    PositionToolbar();
    update();
    m_lastClientSize = newClient;
}

// Centres the toolbar below the status line, in the hidden placeholder's place.
void CVeltorDlg::PositionToolbar() {
    const QRect place = m_toolbarPlace->geometry();
    m_toolbar->move(place.left() + (place.width() - m_toolbar->width()) / 2, place.top());
}

int CVeltorDlg::SelectedMode() const { return m_toolbar->ModeSelection(); }

void CVeltorDlg::SetStatusText(const QString& text) { m_statusLine->setText(text); }
