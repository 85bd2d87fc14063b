#pragma once
// One camera: five byte texts of fixed capacity, cut whenever they are set,
// and a runtime-only cached thumbnail that moves with its camera.
#include <QImage>
#include <cstddef>
#include <memory>
#include <string>

namespace lumisk {

struct CameraRecord {
    static constexpr std::size_t kImageUrlCapacity = 150;
    static constexpr std::size_t kDescriptionCapacity = 150;
    static constexpr std::size_t kWebPageCapacity = 150;
    static constexpr std::size_t kUpdateMinutesCapacity = 10;
    static constexpr std::size_t kLastModifiedCapacity = 50;

    std::string ImageUrl;
    std::string Description;
    std::string WebPage;
    std::string UpdateMinutes;
    std::string LastModified;
    // Built and drawn by the thumbnail grid; never stored in the file.
    std::shared_ptr<QImage> thumbnail;
    // The preview could not be decoded for a thumbnail: do not try again on
    // every repaint (cleared whenever the thumbnail is rebuilt).
    bool thumbnailFailed = false;

    // Set the five texts, each without CR, LF and NUL and cut to its capacity.
    void SetFields(const std::string& description, const std::string& imageUrl,
                   const std::string& webPage, const std::string& updateMinutes,
                   const std::string& lastModified);
};

} // namespace lumisk
