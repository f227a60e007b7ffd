#pragma once
// "诊断": the doctor's report in a window of its own, with a button that copies it for a bug
// report. The checks run in the background; the window opens at once.
#include <QDialog>
#include <QThread>
#include <memory>

#include "core/diagnostics/doctor.h"
#include "gui/app/backup_actions.h"
#include "platform/auto_start.h"

class QPlainTextEdit;
class QPushButton;

namespace z7 {

class DoctorWindow : public QDialog {
    Q_OBJECT
  public:
    // `autoStart` may be null (the autostart entry is then not looked at).
    DoctorWindow(QWidget* parent, DataSources sources, AutoStart* autoStart);
    ~DoctorWindow() override;

    // Runs the checks again; the report replaces the old one when they are done.
    void Refresh();
    bool running() const { return thread_ != nullptr; }
    const DoctorReport& report() const { return report_; }
    QPlainTextEdit* reportView() const { return view_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* againButton() const { return again_; }
    QPushButton* closeButton() const { return close_; }

  signals:
    void reportReady();

  private:
    DataSources sources_;
    AutoStart* autoStart_;
    DoctorReport report_;
    QThread* thread_ = nullptr;
    QPlainTextEdit* view_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* again_ = nullptr;
    QPushButton* close_ = nullptr;
};

// Opens the window, which deletes itself when closed.
DoctorWindow* ShowDoctorWindow(QWidget* parent, DataSources sources, AutoStart* autoStart);

}  // namespace z7
