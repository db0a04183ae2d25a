#include "app/ThumbnailCache.h"

const QImage* ThumbnailCache::Find(const std::string& address) {
    const auto it = index.find(address);
    if (it == index.end())
        return nullptr;
    order.splice(order.begin(), order, it->second);
    return &it->second->second;
}

void ThumbnailCache::Insert(const std::string& address, QImage image) {
    if (const auto it = index.find(address); it != index.end()) {
        bytes -= it->second->second.sizeInBytes();
        order.erase(it->second);
        index.erase(it);
    }
    bytes += image.sizeInBytes();
    order.emplace_front(address, std::move(image));
    index[address] = order.begin();
    while (bytes > capBytes && order.size() > 1) {
        bytes -= order.back().second.sizeInBytes();
        index.erase(order.back().first);
        order.pop_back();
    }
}
