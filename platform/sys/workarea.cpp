#include "platform/sys/workarea.h"

#include <utility>

namespace platform {

namespace {

constexpr TRect DefaultWorkArea{0, 0, 1024, 768};

std::function<TRect()>& WorkAreaSource() {
    static std::function<TRect()> source;
    return source;
}

} // namespace

TRect GetWorkArea() {
    const auto& source = WorkAreaSource();
    return source ? source() : DefaultWorkArea;
}

void SetWorkAreaSource(std::function<TRect()> source) {
    WorkAreaSource() = std::move(source);
}

} // namespace platform
