#include "app/ThumbnailLoader.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

ThumbnailLoader::ThumbnailLoader(std::unique_ptr<DownloadMonitor>& monitor) : monitor(monitor) {}

ThumbnailLoader::~ThumbnailLoader() {
    if (monitor)
        monitor->DropLookUps(this);
}

const QImage* ThumbnailLoader::Want(const std::string& address, const std::string& referer,
                                    const std::shared_ptr<const CookieJar>& cookies,
                                    ReferrerPolicy::Kind policy) {
    if (const QImage* image = cache.Find(address))
        return image;
    if (monitor && !Plain(address) && asked.insert(address).second) {
        monitor->QueueLookUp(LookUpKind::Thumbnail, address, referer, this,
                             static_cast<int64_t>(tickets.size()), cookies, policy);
        tickets.push_back(address);
    }
    return nullptr;
}

void ThumbnailLoader::NewPage() {
    if (monitor)
        monitor->DropLookUps(this);
    tickets.clear();
    asked.clear();
    plain.clear();
    ++page;
}

QImage ThumbnailLoader::Decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > side || size.height() > side)) {
        // Decoded straight at thumbnail size where the format can (JPEG scales as it decodes).
        // The box is square, so a picture its orientation turns fits it as well.
        reader.setScaledSize(
            size.scaled(QSize(side, side), Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
    QImage image = reader.read();
    if (image.isNull())
        return image;
    if (image.width() > side || image.height() > side)
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void ThumbnailLoader::OnLookUp(int64_t ticket, JobState state, DownloadJob& job) {
    if (ticket < 0 || ticket >= static_cast<int64_t>(tickets.size()))
        return;
    const std::string address = tickets[static_cast<std::size_t>(ticket)];
    if (state != JobState::Finished) {
        plain.insert(address); // too large or failed: a plain frame, never asked again
        emit Arrived();
        return;
    }
    // Decoded on the pool's threads; the watcher, this object's child, brings the image back
    // to the window's thread, and goes with this object.
    auto* watcher = new QFutureWatcher<QImage>(this);
    const uint64_t forPage = page;
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, address, forPage] {
        watcher->deleteLater();
        if (forPage != page)
            return;
        QImage image = watcher->result();
        if (image.isNull())
            plain.insert(address);
        else
            cache.Insert(address, std::move(image));
        emit Arrived();
    });
    watcher->setFuture(
        QtConcurrent::run(&ThumbnailLoader::Decode,
                          QByteArray(job.body.data(), static_cast<qsizetype>(job.body.size()))));
}
