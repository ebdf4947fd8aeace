// The annotations window: a text browser over a local page, and its page writer.
#include "app/AnnotationsWindow.h"

#include <QFile>
#include <QVBoxLayout>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

bool isLocal(const QUrl& url) {
    return url.isLocalFile() || url.scheme().isEmpty() || url.scheme() == QLatin1String("qrc");
}

}  // namespace

TAnnotationsBrowser::TAnnotationsBrowser(QWidget* parent) : QTextBrowser(parent) {
    // Links are followed here, and only when they stay on this machine.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &TAnnotationsBrowser::followLink);
}

QVariant TAnnotationsBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = source().resolved(name);
    if (!isLocal(url)) return {};
    return QTextBrowser::loadResource(type, name);
}

void TAnnotationsBrowser::followLink(const QUrl& link) {
    const QUrl url = source().resolved(link);
    if (!isLocal(url)) return;
    if (link.toString().startsWith(QLatin1Char('#'))) {
        scrollToAnchor(link.fragment());
        return;
    }
    setSource(url);
}

TAnnotationsWindow::TAnnotationsWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_browser(new TAnnotationsBrowser(this)) {
    setWindowTitle(QStringLiteral("Annotations"));
    setObjectName(QStringLiteral("AnnotationsWindow"));
    resize(696, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
}

void TAnnotationsWindow::showPage(const QString& path) {
    const QUrl url = QUrl::fromLocalFile(path);
    // The file has new content each time: a page already shown is read again.
    if (m_browser->source() == url)
        m_browser->reload();
    else
        m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}

std::optional<QString> writeAnnotationFile(const QString& path, std::string_view bytes) {
    const QByteArray name = QFile::encodeName(path);
    const auto failure = [&](int error) {
        return QStringLiteral("Cannot create file \"%1\". %2")
            .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    };
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(name.constData(), flags, 0600);
    if (fd < 0 && errno == ELOOP) {
        // A link (stale or planted) stands at the name: take it away and create a plain file.
        struct stat info {};
        if (::lstat(name.constData(), &info) == 0 && S_ISLNK(info.st_mode) &&
            ::unlink(name.constData()) != 0)
            return failure(errno);
        fd = ::open(name.constData(), flags | O_EXCL, 0600);
    }
    if (fd < 0) return failure(errno);
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return failure(error);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0) return failure(errno);
    return std::nullopt;
}
