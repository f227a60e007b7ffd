#include "gui/pages/system/system_page.h"

#include <QApplication>
#include <QDir>

#include "core/device/factory_reset_exchange.h"
#include "core/profile/data_folder_move.h"
#include "core/util/text.h"
#include "gui/ui/message_popup.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_style.h"
#include "platform/auto_start.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {

constexpr char kSoftwareVersion[] = "V1.00";
// Free strip under the factory reset, above the bottom bar.
const QRect kStatusRect(40, 424, 696, 26);
constexpr size_t kListedLeftovers = 8;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

QString PathText(const fsys::path& path) {
    return QDir::toNativeSeparators(QString::fromStdU16String(PathToUtf16(path)));
}

QString NormalFlag(std::u16string_view flag) {
    return ParseDecimalPrefix(flag) != 0 ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

void SystemPage::BuildControls() {
    updateSoftware_ = AddSkinButton("Update Software", kUpdateSoftwareId, U("更新最新版本的软件"));
    updateFirmware_ = AddSkinButton("Update Firmware", kUpdateFirmwareId, U("更新最新版本的固件"));
    softwareVersion_ = AddLabel("Software Version", kSoftwareVersionId);
    firmwareVersion_ = AddLabel("Firmware Version", kFirmwareVersionId);
    for (SkinLabel* label : {softwareVersion_, firmwareVersion_}) {
        label->SetFontHeight(14);
        label->SetColors(Qt::transparent, skin::kText);
    }
    softwareVersion_->SetText(U(kSoftwareVersion));
    firmwareVersion_->SetText(firmwareVersionText());
    startApplication_ = AddCheckBox("Start Application", kStartApplicationId,
                                    U("如果你希望电脑开机后就自动开启这个驱动，请选中该功能"));
    // The sheet's drop-down without a function stays out of sight.
    CoverSheetElement("Auto Updates");
    const QString folderTip =
        U("通过右边的按键，可以选择你想存放驱动数据的位置，或直接在空白处输入存储路径");
    dataFolder_ = AddLineEdit("Data Path", kDataFolderId, folderTip, U("Data Folder"));
    selectFolder_ = AddSkinButton("Select Folder Path", kSelectFolderId, folderTip);
    backup_ = AddSkinButton("Backup", kBackupId, U("把配置与资料库备份到一个文件"));
    restore_ = AddSkinButton("Restore", kRestoreId, U("从备份文件恢复配置与资料库"));
    diagnostics_ = AddSkinButton("Diagnostics", kDiagnosticsId, U("检查鼠标连接与数据文件"));
    factoryDefault_ = AddSkinButton(
        "Factory Default", kFactoryDefaultId,
        U("在这里可以恢复出厂设置，清除鼠标的所有数据及设置，此操作会清除鼠标设定的所有数据，"
          "包括设置，按键巨集（宏设定）"));
    status_ = new SkinLabel(0, this);
    status_->setGeometry(kStatusRect);
    status_->SetFontHeight(13);
    status_->SetColors(Qt::transparent, skin::kTextDim);
    status_->SetCentred(false);
    status_->setAccessibleName(QStringLiteral("Status"));
    factoryDefault_->setEnabled(applyButtonsEnabled());
    updateFirmware_->setEnabled(firmwareUpdateEnabled_);
}

SkinButton* SystemPage::button(int controlId) const {
    for (SkinButton* b : {updateSoftware_, updateFirmware_, selectFolder_, factoryDefault_, backup_,
                          restore_, diagnostics_})
        if (b && b->controlId() == controlId) return b;
    return nullptr;
}

// ---- the two settings and their snapshot ------------------------------------------------------

QString SystemPage::FlagText() const {
    return startApplication_->checked() ? QStringLiteral("1") : QStringLiteral("0");
}

fsys::path SystemPage::TypedFolder() const {
    QString text = dataFolder_->text().trimmed();
    if (text.isEmpty()) return host().defaultDataFolder();
#ifndef Q_OS_WIN
    // What a shell would have made of it.
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        text = QDir::homePath() + text.mid(1);
#endif
    return PathFromUtf16(QDir::fromNativeSeparators(text).toStdU16String());
}

void SystemPage::LoadControls(const ProfileRecord&) {
    // The settings do not belong to a profile: a profile switch keeps what is being typed.
    if (loaded_ && HasChanges()) return;
    const Settings& settings = host().settings();
    startApplication_->SetChecked(NormalFlag(settings.autoStart) == QLatin1String("1"));
    dataFolder_->setText(PathText(settings.dataFolder));
    loaded_ = true;
}

void SystemPage::TakeSnapshot(const ProfileRecord& record) {
    PageWindow::TakeSnapshot(record);
    const Settings& settings = host().settings();
    snapshot_ = {NormalFlag(settings.autoStart), PathText(settings.dataFolder)};
}

bool SystemPage::HasChanges() {
    if (!built()) return false;
    return FlagText() != snapshot_.flag || dataFolder_->text() != snapshot_.folder;
}

void SystemPage::RestoreSnapshot() {
    startApplication_->SetChecked(snapshot_.flag == QLatin1String("1"));
    dataFolder_->setText(snapshot_.folder);
}

void SystemPage::LoadDefaults() {
    startApplication_->SetChecked(false);
    dataFolder_->setText(PathText(host().defaultDataFolder()));
}

int SystemPage::DefaultPopupKind() const {
    return kPopupSystemMessage;
}

// ---- Apply --------------------------------------------------------------------------------------

void SystemPage::Apply() {
    EnsureBuilt();
    SetStatus({});
    Settings& settings = host().settings();
    const bool wanted = startApplication_->checked();
    bool ok = true;
    const fsys::path target = TypedFolder();
    bool folderDone = CompareDataFolders(host().fileSystem(), host().dataFolder(), target) ==
                      FolderRelation::kSame;
    if (!folderDone) {
        folderDone = MoveDataTo(target);
        // The move has recorded the new folder in the settings file itself.
        if (folderDone) snapshot_.folder = dataFolder_->text();
        ok = folderDone;
    }
    const bool flagChanged = FlagText() != snapshot_.flag;
    if (ApplyAutoStart(wanted))
        settings.autoStart = wanted ? u"1" : u"0";
    else
        ok = false;
    // A failed move already tried the settings file and said why; nothing else is new then.
    if (!folderDone && !flagChanged) {
        ok = false;
    } else if (host().SaveSettingsFile()) {
        snapshot_.flag = NormalFlag(settings.autoStart);
        if (folderDone) snapshot_.folder = dataFolder_->text();
    } else {
        ok = false;
    }
    emit applyFinished(ok ? ExchangeResult::kOk : ExchangeResult::kCommandFailed);
}

bool SystemPage::ApplyAutoStart(bool wanted) {
    AutoStart* autoStart = host().autoStart();
    if (!autoStart) return true;  // no such thing here: the choice is only remembered
    // Both answers are checked: Disable is quiet about an entry that was not there.
    if (wanted) {
        if (autoStart->Enable(kAutoStartValueName) && autoStart->IsEnabled(kAutoStartValueName))
            return true;
        host().MessageBox(U("无法设置开机自动启动：启动项写不进去。\n设置没有改变，请稍后再试。"));
        return false;
    }
    (void)autoStart->Disable(kAutoStartValueName);
    if (!autoStart->IsEnabled(kAutoStartValueName)) return true;
    host().MessageBox(U("无法取消开机自动启动：启动项删不掉。\n设置没有改变，请稍后再试。"));
    return false;
}

bool SystemPage::MoveDataTo(const fsys::path& target) {
    FileSystem& fs = host().fileSystem();
    const fsys::path from = host().dataFolder();
    const QString shown = PathText(target);
    if (!target.is_absolute()) {
        host().MessageBox(
            U("“%1”不是完整的文件夹路径。\n请输入完整的路径，或用“选择路径”选择文件夹。")
                .arg(shown));
        return false;
    }
    if (CompareDataFolders(fs, from, target) == FolderRelation::kNested) {
        host().MessageBox(U("新的位置与现在的数据文件夹互相包含（%1 与 %2），数据不能移到那里。\n"
                            "请选择另一个文件夹。")
                              .arg(shown, PathText(from)));
        return false;
    }
    MoveOptions options;
    if (fs.Exists(target) && !fs.IsDirectory(target)) {
        host().MessageBox(U("“%1”不是文件夹，数据不能移到那里。").arg(shown));
        return false;
    }
    if (!fs.Exists(target)) {
        if (!host().Ask(U("文件夹“%1”不存在。\n要创建它，并把配置与资料库移到那里吗？").arg(shown)))
            return false;
        options.createFolder = true;
    } else if (HoldsDataTree(fs, target)) {
        if (!host().Ask(
                U("文件夹“%1”中已经有本程序的配置与资料库。\n要把现在的数据合并到那里吗？\n\n"
                  "合并后两边资料库的条目都会保留，配置以现在的为准；那里原有的配置文件"
                  "留在文件夹中，可以用“导入配置”取回。")
                    .arg(shown)))
            return false;
        options.mergeIntoExisting = true;
    }
    // What other programs saved meanwhile is merged in first, so that it moves too.
    (void)host().StorePagesAndSave();
    Settings& settings = host().settings();
    options.beforeRemovingOld = [this, &settings, &target](std::string* error) {
        const fsys::path previous = settings.dataFolder;
        settings.dataFolder = target;
        if (host().SaveSettingsFile()) return true;
        settings.dataFolder = previous;
        if (error) *error = "the settings file could not be written";
        return false;
    };
    SetStatus(U("正在移动数据到 %1 …").arg(shown));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const MoveResult result = MoveDataFolder(fs, DefaultClock(), from, target, host().profiles(),
                                             &host().macroLibrary(), options);
    QApplication::restoreOverrideCursor();
    if (result.status == MoveStatus::kSameFolder) return true;
    if (result.status == MoveStatus::kMoved) {
        host().SetDataFolder(target);
        SetStatus(U("数据已移到 %1").arg(shown));
        if (!result.leftBehind.empty()) {
            QStringList names;
            for (size_t i = 0; i < result.leftBehind.size() && i < kListedLeftovers; ++i)
                names << PathText(result.leftBehind[i]);
            if (result.leftBehind.size() > kListedLeftovers) names << U("……");
            host().MessageBox(U("数据已移到“%1”。\n原来的文件夹中还有 %2 个不是本程序写入、已损坏或"
                                "删不掉的文件，它们留在原处：\n%3")
                                  .arg(shown)
                                  .arg(result.leftBehind.size())
                                  .arg(names.join(QLatin1Char('\n'))));
        }
        return true;
    }
    const QString reason = QString::fromStdString(result.error);
    if (result.status == MoveStatus::kBusy)
        host().MessageBox(U("另一个程序正在修改数据，数据没有移动。请稍后再试。\n") + reason);
    else
        host().MessageBox(
            U("数据没有移动，仍在原来的位置（%1）。\n原因：%2").arg(PathText(from), reason));
    SetStatus(U("数据没有移动"));
    return false;
}

// ---- buttons ------------------------------------------------------------------------------------

void SystemPage::OnClicked(int controlId) {
    switch (controlId) {
        case kUpdateSoftwareId:
            host().OpenUrl(host().makerLink(MakerLink::kSoftwareUpdate));
            break;
        case kUpdateFirmwareId:
            host().RequestFirmwareUpdate();
            break;
        case kSelectFolderId:
            SelectFolder();
            break;
        case kFactoryDefaultId:
            FactoryReset();
            break;
        case kBackupId:
            host().BackupData();
            break;
        case kRestoreId:
            host().RestoreData();
            break;
        case kDiagnosticsId:
            host().ShowDiagnostics();
            break;
        default:
            break;
    }
}

void SystemPage::SelectFolder() {
    std::error_code ec;
    const fsys::path typed = TypedFolder();
    const fsys::path start = fsys::is_directory(typed, ec) ? typed : host().dataFolder();
    const QString chosen = host().ChooseFolder(U("请选择数据存储的位置"), PathText(start));
    // Nothing is saved before Apply.
    if (!chosen.isEmpty()) dataFolder_->setText(QDir::toNativeSeparators(chosen));
}

void SystemPage::FactoryReset() {
    EnsureBuilt();
    if (host().Popup(kPopupFactoryDefault) != kPopupYes) return;
    ProfileSet& set = host().profiles();
    set.records() = FactoryProfiles(set.records());
    host().ShowProfile(0);
    (void)host().StorePagesAndSave();
    // What was saved is what the mouse gets, so that disk and mouse agree.
    const SlotProfiles profiles = host().profiles().records();
    host().SetApplyButtonsEnabled(false);
    resetRunning_ = true;
    SetStatus(U("正在恢复出厂设置…"));
    // The page lives as long as the main window, whose worker ends first.
    host().PostExchange(
        [this, profiles](DeviceLink& link, const ProfileRecord&) {
            return FactoryResetExchange(link, profiles, [this](int done, int total) {
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        if (!resetRunning_) return;
                        SetStatus(done < total ? U("正在恢复出厂设置：已写入 %1/%2 个配置")
                                                     .arg(done)
                                                     .arg(kSlotCount)
                                               : U("正在恢复出厂设置：启用出厂配置"));
                    },
                    Qt::QueuedConnection);
            });
        },
        [this](ExchangeResult result) {
            // Through the page's own queue, behind the progress the worker posted to it.
            QMetaObject::invokeMethod(
                this,
                [this, result] {
                    resetRunning_ = false;
                    host().SetApplyButtonsEnabled(true);
                    SetStatus(result == ExchangeResult::kOk
                                  ? U("已恢复出厂设置：鼠标中的 5 个配置都已重写")
                                  : U("配置已恢复为出厂设置，但没有写入鼠标"));
                    host().ShowExchangeResult(result);
                },
                Qt::QueuedConnection);
        });
}

// ---- state the main window sets -----------------------------------------------------------------

void SystemPage::SetApplyButtonsEnabled(bool enabled) {
    PageWindow::SetApplyButtonsEnabled(enabled);
    if (factoryDefault_) factoryDefault_->setEnabled(enabled);
}

void SystemPage::SetFirmwareVersionText(const QString& text) {
    PageWindow::SetFirmwareVersionText(text);
    if (firmwareVersion_) firmwareVersion_->SetText(text);
}

void SystemPage::SetFirmwareUpdateEnabled(bool enabled) {
    firmwareUpdateEnabled_ = enabled;
    if (updateFirmware_) updateFirmware_->setEnabled(enabled);
}

void SystemPage::SetStatus(const QString& text) {
    if (!status_) return;
    status_->SetText(text);
    status_->setAccessibleDescription(text);
    emit statusChanged(text);
}

}  // namespace z7
