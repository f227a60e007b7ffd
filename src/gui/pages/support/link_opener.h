#pragma once
// Opens web and mail links with the desktop's handler and tells when none took them, so that a
// missing browser or mail program is not a silent click.
#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace z7 {

class LinkOpener : public QObject {
    Q_OBJECT
  public:
    explicit LinkOpener(QObject* parent = nullptr);

    // Called on this thread with the link and the reason when it could not be opened.
    using Failed = std::function<void(const QString& url, const QString& reason)>;
    // Never waits for the handler: its verdict arrives later.
    void Open(const QString& url, Failed failed);

    // The opener program where the desktop has one ("xdg-open"); empty: Qt's own opener, which
    // answers at once (Windows, macOS).
    void SetProgram(const QString& program) { program_ = program; }
    // Waits for the handlers started so far (tests).
    void WaitForAll();

  private:
    QString program_;
};

// What the user sees when a link cannot be opened: the reason and the address, selectable and
// with a button that copies it.
void ShowLinkProblem(QWidget* parent, const QString& url, const QString& reason);
// The address a user would copy: a mail link without "mailto:" and its empty fields.
QString AddressToCopy(const QString& url);

}  // namespace z7
