#include "core/duplicates/ScratchRoom.h"

#include <algorithm>
#include <memory>

namespace orvane::duplicates {

std::uint8_t* ScratchRoom::atLeast(std::size_t bytes, std::size_t floor) {
    thread_local std::unique_ptr<std::uint8_t[]> room;
    thread_local std::size_t roomSize = 0;
    if (roomSize < bytes) {
        room.reset();  // freed before the larger block is taken, so the two never coexist
        roomSize = std::max(bytes, floor);
        room.reset(new std::uint8_t[roomSize]);
    }
    return room.get();
}

}  // namespace orvane::duplicates
