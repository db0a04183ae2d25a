#pragma once
// Fetches the thumbnails the File List's grid shows, only for the rows it paints: each as a
// look-up of the download monitor (4 MiB at the most), decoded at thumbnail size off the
// window's thread, then held in the ThumbnailCache; nothing is written to disk. A new page
// drops what is on its way.

#include "app/ThumbnailCache.h"
#include "download/DownloadMonitor.h"

#include <QByteArray>
#include <QObject>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class ThumbnailLoader : public QObject, private LookUpSink {
    Q_OBJECT
public:
    static constexpr int side = 128; // a thumbnail fits a square of this many pixels

    explicit ThumbnailLoader(std::unique_ptr<DownloadMonitor>& monitor);
    ~ThumbnailLoader() override;

    // The thumbnail of `address`; null until it has been decoded, and then it is asked for
    // (once, with `referer`).
    const QImage* Want(const std::string& address, const std::string& referer,
                       const std::shared_ptr<const CookieJar>& cookies,
                       ReferrerPolicy::Kind policy);
    // True when `address` gives no thumbnail: too large, failed or of a format not decoded.
    bool Plain(const std::string& address) const { return plain.count(address) != 0; }
    // A new page: nothing more arrives of what was asked for.
    void NewPage();
    ThumbnailCache& Cache() { return cache; }
    bool Requested(const std::string& address) const { return asked.count(address) != 0; }

    // `bytes` decoded into at most side x side pixels, turned as its EXIF orientation says; a
    // null image when they do not decode.
    static QImage Decode(const QByteArray& bytes);

signals:
    // A thumbnail arrived, or an address turned out plain: the grid paints again.
    void Arrived();

private:
    void OnLookUp(int64_t ticket, JobState state, DownloadJob& job) override;

    std::unique_ptr<DownloadMonitor>& monitor;
    ThumbnailCache cache;
    std::vector<std::string> tickets; // the address of each look-up, by ticket
    std::unordered_set<std::string> asked;
    std::unordered_set<std::string> plain;
    uint64_t page = 0; // counts pages, so a decode of an earlier page is dropped
};
