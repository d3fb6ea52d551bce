#pragma once

#include <cstdlib>
#include <memory>

namespace platform {

// XCB hands out replies, errors and events allocated with malloc; this owns one.
struct XcbFree {
    void operator()(void* pointer) const { std::free(pointer); }
};

template <typename T>
using XcbReply = std::unique_ptr<T, XcbFree>;

} // namespace platform
