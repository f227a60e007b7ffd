#include "gui/pages/firmware/firmware_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPainter>
#include <cmath>

#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

constexpr char kTitle[] = "FIRMWARE UPDATE";
constexpr int kVersionFontHeight = 15;
constexpr int kFirstViewFamily = 248;
// Runtime texts: under the bar (progress) or the message (completed), and the reason for a
// failure under the message.
const QRect kTimeLeftOnBar(200, 180, 240, 24);
const QRect kTimeLeftUnderMessage(96, 130, 364, 24);
const QRect kDetailsRect(96, 124, 364, 72);

QString U(const char* text) {
    return QString::fromUtf8(text);
}

struct ViewLook {
    UpdaterView view;
    int family;
    bool ok, cancel, mouseVersion, fileVersion, progress, timeLeft, details;
};
constexpr ViewLook kViews[] = {
    {UpdaterView::kFileProblem, 248, true, false, false, false, false, false, true},
    {UpdaterView::kNotFound, 251, true, false, false, false, false, false, true},
    {UpdaterView::kUpToDate, 254, true, false, true, false, false, false, false},
    {UpdaterView::kMouseNewer, 258, true, true, true, true, false, false, false},
    {UpdaterView::kFileNewer, 264, true, true, true, true, false, false, false},
    {UpdaterView::kProblem, 270, true, false, false, false, false, false, true},
    {UpdaterView::kCompleted, 273, false, false, false, false, false, true, false},
    {UpdaterView::kSuccess, 275, false, true, true, false, false, false, false},
    {UpdaterView::kProgress, 279, false, false, false, false, true, true, false},
};

const ViewLook* LookOf(UpdaterView view) {
    for (const ViewLook& look : kViews)
        if (look.view == view) return &look;
    return nullptr;
}

int Seconds(Millis ms) {
    return static_cast<int>((ms.count() + 999) / 1000);
}

}  // namespace

int FirmwareWindow::FamilyOfView(UpdaterView view) {
    const ViewLook* look = LookOf(view);
    return look ? look->family : -1;
}

FirmwareWindow::FirmwareWindow(FirmwareWindowEnvironment env, QWidget* parent)
    : SkinWindow(parent), env_(std::move(env)) {
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(U(kTitle));
    setAccessibleName(U(kTitle));
    const SkinFamily* family = FamilyOf(kFirstViewFamily);
    setFixedSize(family ? family->size : QSize(480, 280));

    close_ = MakeButton(kCloseId, "Close");
    ok_ = MakeButton(kOkId, "OK");
    cancel_ = MakeButton(kCancelId, "Cancel");
    connect(ok_, &SkinButton::clicked, this, &FirmwareWindow::OnOk);
    connect(cancel_, &SkinButton::clicked, this, &FirmwareWindow::RequestClose);
    connect(close_, &SkinButton::clicked, this, &FirmwareWindow::RequestClose);
    progress_ = new SkinProgressBar(this);
    progress_->SetRange(0, kMaxProgress);
    progress_->SetPictures(SkinPart(280, kStateNormal), SkinPart(280, kStateOver));
    NameControl(progress_, QStringLiteral("Progress"));
    mouseVersion_ = MakeLabel(kMouseVersionId, "Mouse FWVersion", kVersionFontHeight);
    fileVersion_ = MakeLabel(kFileVersionId, "File FWVersion", kVersionFontHeight);
    timeLeft_ = MakeLabel(0, "Time Left", 13);
    timeLeft_->SetColors(Qt::transparent, skin::kTextDim);
    timeLeft_->SetCentred(false);
    details_ = MakeLabel(0, "Details", 13);
    details_->SetColors(Qt::transparent, skin::kTextDim);
    details_->SetCentred(false);
    for (QWidget* w : std::initializer_list<QWidget*>{
             close_, ok_, cancel_, progress_, mouseVersion_, fileVersion_, timeLeft_, details_})
        w->hide();
    SetTabOrder({ok_, cancel_, close_});

    UpdaterCallbacks callbacks;
    // The worker reports; the window shows. Queued: widgets belong to this thread only.
    callbacks.onView = [this](UpdaterView view) {
        QMetaObject::invokeMethod(
            this, [this, view] { ShowView(view); }, Qt::QueuedConnection);
    };
    callbacks.onProgress = [this](int percent) {
        QMetaObject::invokeMethod(
            this, [this, percent] { ShowProgress(percent); }, Qt::QueuedConnection);
    };
    callbacks.onCancellable = [this](bool cancellable) {
        QMetaObject::invokeMethod(
            this, [this, cancellable] { ShowCancellable(cancellable); }, Qt::QueuedConnection);
    };
    callbacks.onLongBootSearch = [this] { return LongSearchNotice(); };
    updater_ = std::make_unique<FirmwareUpdater>(*env_.link, std::move(callbacks));
}

FirmwareWindow::~FirmwareWindow() {
    closing_ = true;
    {
        std::lock_guard lock(noticeMutex_);
        noticeAnswer_ = false;
    }
    noticeSeen_.notify_all();
    // A transfer that may not be stopped runs to its end: the mouse must not be left half
    // written.
    if (working_) (void)updater_->Cancel();
    JoinWorker();
}

SkinButton* FirmwareWindow::MakeButton(int id, const char* name) {
    auto* button = new SkinButton(id, this);
    NameControl(button, U(name));
    return button;
}

SkinLabel* FirmwareWindow::MakeLabel(int id, const char* name, int fontHeight) {
    auto* label = new SkinLabel(id, this);
    label->SetFontHeight(fontHeight);
    label->SetColors(Qt::transparent, skin::kText);
    label->setAccessibleName(U(name));
    return label;
}

void FirmwareWindow::Begin() {
    RunOnWorker([this] {
        const UpdaterView view = updater_->Start(*env_.fs, env_.folder);
        // A boot loader waiting at the start is re-flashed without asking.
        if (view == UpdaterView::kProgress && !closing_) (void)updater_->Update();
    });
}

void FirmwareWindow::RunOnWorker(std::function<void()> job) {
    JoinWorker();
    working_ = true;
    worker_ = std::thread([this, job = std::move(job)] {
        job();
        if (env_.afterDeviceWork) env_.afterDeviceWork();
        working_ = false;
        QMetaObject::invokeMethod(
            this, [this] { UpdateTimeText(); }, Qt::QueuedConnection);
    });
}

void FirmwareWindow::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

void FirmwareWindow::WaitForWorker() {
    // The worker may be waiting for the long-search notice, which this thread shows.
    while (working_) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        std::this_thread::yield();
    }
    JoinWorker();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

bool FirmwareWindow::LongSearchNotice() {
    {
        std::lock_guard lock(noticeMutex_);
        if (closing_) return false;
        noticeAnswer_.reset();
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!closing_) {
                const QString text = U(kBootSearchNoticeText);
                if (env_.notice) {
                    env_.notice(text);
                } else {
                    QMessageBox box(QMessageBox::Information, U(kBootSearchNoticeCaption), text,
                                    QMessageBox::Ok, parentWidget());
                    box.exec();
                }
            }
            {
                std::lock_guard lock(noticeMutex_);
                if (!noticeAnswer_) noticeAnswer_ = !closing_;
            }
            noticeSeen_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(noticeMutex_);
    noticeSeen_.wait(lock, [this] { return noticeAnswer_.has_value(); });
    return *noticeAnswer_;
}

// ---- the views --------------------------------------------------------------------------------

void FirmwareWindow::PlaceOn(QWidget* control, int family, const char* name) {
    const int element = ElementNamed(family, name);
    if (element < 0) {
        control->hide();
        return;
    }
    control->setGeometry(ElementRect(element));
    if (auto* button = qobject_cast<SkinButton*>(control)) {
        button->SetSkinElement(element);
        if (const SkinElement* e = FindElement(element))
            button->SetFallbackText(QString::fromUtf8(e->label));
    }
    control->show();
}

void FirmwareWindow::CutBackground(SkinLabel* label) {
    label->SetBackground(background().isNull() ? QImage() : background().copy(label->geometry()));
}

void FirmwareWindow::ShowView(UpdaterView view) {
    if (closing_ || view == UpdaterView::kNone || view == UpdaterView::kCancelled) return;
    const ViewLook* look = LookOf(view);
    if (!look) return;
    const bool entering = view != view_;
    view_ = view;
    if (family_ != look->family) {
        family_ = look->family;
        SetBackground(SkinPart(family_, kStateNormal));
        if (background().isNull()) setFixedSize(FamilyOf(family_)->size);
    }
    // Buttons take their looks from the view's own pictures.
    PlaceOn(close_, family_, "Close");
    if (look->ok)
        PlaceOn(ok_, family_, "OK");
    else
        ok_->hide();
    if (look->cancel)
        PlaceOn(cancel_, family_, "Cancel");
    else
        cancel_->hide();
    close_->setEnabled(view != UpdaterView::kProgress || updater_->CanCancel());

    const std::string mouse = updater_->mouseVersionText();
    mouseVersion_->setVisible(look->mouseVersion);
    if (look->mouseVersion) {
        PlaceOn(mouseVersion_, family_, "Mouse FWVersion");
        CutBackground(mouseVersion_);
        mouseVersion_->SetText(QString::fromStdString(mouse.empty() ? "-.--" : mouse));
    }
    fileVersion_->setVisible(look->fileVersion);
    if (look->fileVersion) {
        PlaceOn(fileVersion_, family_, "File FWVersion");
        CutBackground(fileVersion_);
        fileVersion_->SetText(QString::fromStdString(updater_->fileVersionText()));
    }
    progress_->setVisible(look->progress);
    if (look->progress) {
        PlaceOn(progress_, family_, "Progress");
        if (entering) {
            reports_ = 0;
            estimate_ = UpdateProgress{};
            estimate_.blockCount = updater_->package().image.blocks.size();
            estimate_.fromBootLoader = updater_->foundInBootMode();
            estimate_.fullReadBack = updater_->deviceCodeText() == kFullReadBackDeviceCode;
        }
        progress_->SetPos(updater_->progress());
    }
    timeLeft_->setVisible(look->timeLeft);
    if (look->timeLeft) {
        timeLeft_->setGeometry(view == UpdaterView::kProgress ? kTimeLeftOnBar
                                                              : kTimeLeftUnderMessage);
        CutBackground(timeLeft_);
        UpdateTimeText();
    }
    details_->setVisible(look->details);
    QString reason;
    if (look->details) {
        details_->setGeometry(kDetailsRect);
        CutBackground(details_);
        reason = QString::fromStdString(updater_->problemText());
        details_->SetText(reason.isEmpty() ? QString() : U("原因：") + reason);
    }

    // The message is painted into the picture; assistive technology gets it as text.
    QString message;
    for (const SkinCaption& caption : SkinCaptions())
        if (caption.family == family_ && caption.role == 1)
            message = QString::fromUtf8(caption.text).replace(QLatin1Char('\n'), QString());
    if (!reason.isEmpty()) message += U(" 原因：") + reason;
    setAccessibleDescription(message);

    if (!isVisible()) {
        show();
        raise();
        activateWindow();
    }
    QWidget* focus = look->ok ? ok_ : look->cancel ? cancel_ : close_;
    if (entering && focus->isEnabled()) focus->setFocus(Qt::OtherFocusReason);
    update();
    emit viewShown(view);
}

void FirmwareWindow::ShowProgress(int percent) {
    if (closing_) return;
    progress_->SetPos(percent);
    if (view_ == UpdaterView::kProgress && percent >= kStartProgress) {
        // The first report of the start value answers BeginDownload, every later one a block.
        if (reports_++ == 0)
            estimate_.downloadStarted = true;
        else if (estimate_.blocksDone < estimate_.blockCount)
            ++estimate_.blocksDone;
    }
    UpdateTimeText();
}

void FirmwareWindow::ShowCancellable(bool cancellable) {
    if (view_ == UpdaterView::kProgress) close_->setEnabled(cancellable);
    UpdateTimeText();
}

void FirmwareWindow::UpdateTimeText() {
    if (closing_) return;
    QString text;
    if (view_ == UpdaterView::kProgress) {
        const int seconds = Seconds(UpdateTimeLeft(estimate_));
        text = estimate_.downloadStarted ? U("已写入 %1/%2 块 · 剩余约 %3 秒")
                                               .arg(estimate_.blocksDone)
                                               .arg(estimate_.blockCount)
                                               .arg(seconds)
                                         : U("正在进入升级模式 · 剩余约 %1 秒").arg(seconds);
    } else if (view_ == UpdaterView::kCompleted) {
        text = U("鼠标正在重新启动，约 %1 秒").arg(Seconds(RestartTimeLeft()));
    }
    timeLeft_->SetText(text);
    timeLeft_->setAccessibleDescription(text);
}

// ---- buttons ----------------------------------------------------------------------------------

void FirmwareWindow::OnOk() {
    const int state = updater_->updateState();
    // The question may be answered while the start's worker is still winding up (the view
    // comes before it ends): RunOnWorker waits for that, OK must not read as Close.
    const bool asked = view_ == UpdaterView::kMouseNewer || view_ == UpdaterView::kFileNewer;
    if (asked && (state == kUpdateStateMouseNewer || state == kUpdateStateFileNewer)) {
        view_ = UpdaterView::kNone;  // answered once: a second OK must not start another
        ok_->hide();
        cancel_->hide();
        RunOnWorker([this] { (void)updater_->Update(); });
        return;
    }
    RequestClose();
}

void FirmwareWindow::RequestClose() {
    if (working_) {
        // Refused while the mouse could not recover from a stop; the worker goes on.
        if (!updater_->Cancel()) {
            timeLeft_->SetText(U("正在写入固件，请勿关闭窗口或拔出鼠标"));
            return;
        }
        closing_ = true;
        {
            std::lock_guard lock(noticeMutex_);
            noticeAnswer_ = false;
        }
        noticeSeen_.notify_all();
    }
    closing_ = true;
    JoinWorker();
    done(QDialog::Rejected);
}

void FirmwareWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    RequestClose();
}

void FirmwareWindow::paintEvent(QPaintEvent* event) {
    if (!background().isNull()) return SkinWindow::paintEvent(event);
    // Without the skin the view still says what it is.
    QPainter painter(this);
    painter.fillRect(rect(), skin::kSurface);
    painter.setPen(skin::kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(skin::kText);
    painter.setFont(SkinFont(16, 600));
    painter.drawText(QRect(16, 10, width() - 60, 28), Qt::AlignLeft | Qt::AlignVCenter,
                     U("固件更新"));
    for (const SkinCaption& caption : SkinCaptions()) {
        if (caption.family != family_) continue;
        painter.setFont(SkinFont(caption.role == 1 ? 16 : 14));
        painter.drawText(caption.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                         QString::fromUtf8(caption.text));
    }
}

}  // namespace z7
