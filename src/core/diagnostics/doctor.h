#pragma once
// The doctor: why the mouse cannot be reached, and everything else a bug report needs (the
// data folder, the settings, the desktop), each finding with a line of advice. It changes
// nothing: no save is completed, no file written, nothing sent to the mouse but the two reads
// of the program's own refresh.
#include <filesystem>
#include <string>
#include <vector>

#include "core/device/device_link.h"
#include "core/profile/pointer_settings.h"
#include "platform/auto_start.h"
#include "platform/file_system.h"
#include "platform/system_probe.h"

namespace z7 {

enum class Verdict {
    kOk,
    kNote,     // worth knowing, nothing to fix
    kWarning,  // works, but not as it should
    kProblem,  // does not work
};
const char* VerdictName(Verdict verdict);

struct Finding {
    std::string id;    // "mouse.open", "udev.rule", ... stable for scripts
    std::string area;  // "mouse", "data", "settings", "desktop"
    Verdict verdict = Verdict::kOk;
    std::string summary;               // what was found, one line
    std::vector<std::string> details;  // paths, owners, commands
    std::string advice;                // what to do; empty when nothing is to be done
};

struct DoctorReport {
    std::vector<Finding> findings;
    // No warning and no problem.
    bool AllWell() const;
    const Finding* Find(const std::string& id) const;
};

// The report as text, one block per area, for the terminal and the copy button.
std::string ReportText(const DoctorReport& report);

struct DoctorEnvironment {
    FileSystem* fs = nullptr;
    SystemProbe* probe = nullptr;
    // The mouse's link (its process lock set with the wait the doctor may spend, normally
    // none); null when the mouse could not be looked at, `backendBusy` when another program
    // holds the simulated mouse, `backendProblem` saying why otherwise.
    DeviceLink* link = nullptr;
    bool simulated = false;
    bool backendBusy = false;
    std::string backendProblem;
    std::filesystem::path dataFolder;
    std::string dataFolderSource;  // "--data-dir", "from the settings file", "the default folder"
    std::filesystem::path settingsFile;
    std::filesystem::path defaultDataFolder;
    AutoStart* autoStart = nullptr;  // null: the autostart entry is not looked at
    // Where /etc/udev, /usr/lib/udev and /run are read (tests: a folder of their own).
    std::filesystem::path root = "/";
    // The packaged udev rule, for the commands the advice gives.
    std::filesystem::path ruleSource = "70-kesta-z7.rules";
};

DoctorReport RunDoctor(const DoctorEnvironment& env);

// Which of the pointer page's settings `system` applies, by name, for DesktopInfo.
std::vector<PointerCapability> DescribePointerSupport(const PointerSystem& system);

}  // namespace z7
