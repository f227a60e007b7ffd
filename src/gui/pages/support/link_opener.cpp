#include "gui/pages/support/link_opener.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// xdg-open's exit codes.
QString ReasonForExit(int code) {
    switch (code) {
        case 3:
            return U("没有找到可以打开它的程序（浏览器或邮件程序）");
        case 4:
            return U("打开它的程序没有成功");
        default:
            return U("系统无法打开它（代码 %1）").arg(code);
    }
}

}  // namespace

LinkOpener::LinkOpener(QObject* parent) : QObject(parent) {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    program_ = QStringLiteral("xdg-open");
#endif
}

void LinkOpener::Open(const QString& url, Failed failed) {
    if (url.isEmpty()) return;
    if (program_.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl(url)) && failed)
            failed(url, U("没有找到可以打开它的程序（浏览器或邮件程序）"));
        return;
    }
    // Qt starts the opener detached and cannot tell whether anything took the link; the
    // opener's exit code can.
    auto* process = new QProcess(this);
    connect(process, &QProcess::errorOccurred, this,
            [process, url, failed](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart) return;
                if (failed)
                    failed(url, U("没有找到系统的链接打开程序（%1）").arg(process->program()));
                process->deleteLater();
            });
    connect(process, &QProcess::finished, this,
            [process, url, failed](int code, QProcess::ExitStatus status) {
                if ((status != QProcess::NormalExit || code != 0) && failed)
                    failed(url, status == QProcess::NormalExit ? ReasonForExit(code)
                                                               : U("打开链接的程序意外结束"));
                process->deleteLater();
            });
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program_, {url});
}

void LinkOpener::WaitForAll() {
    for (QProcess* process : findChildren<QProcess*>()) process->waitForFinished(-1);
    QCoreApplication::sendPostedEvents();
}

QString AddressToCopy(const QString& url) {
    if (!url.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)) return url;
    QString address = url.mid(7);
    const qsizetype query = address.indexOf(QLatin1Char('?'));
    if (query >= 0) address.truncate(query);
    return address;
}

void ShowLinkProblem(QWidget* parent, const QString& url, const QString& reason) {
    const QString address = AddressToCopy(url);
    QMessageBox box(
        QMessageBox::Warning, U("无法打开链接"),
        U("无法打开这个链接：%1。\n\n请复制下面的地址，自己打开：\n%2").arg(reason, address),
        QMessageBox::Ok, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* copy = box.addButton(U("复制地址"), QMessageBox::ActionRole);
    copy->setAccessibleName(QStringLiteral("Copy Address"));
    box.exec();
    if (box.clickedButton() == copy) QApplication::clipboard()->setText(address);
}

}  // namespace z7
