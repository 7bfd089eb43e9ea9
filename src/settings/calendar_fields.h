// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The C library's calendar conversions, under the names each platform gives them (the
// reentrant POSIX ones on Linux, the _s ones of Windows' C library). Here, in the lowest
// layer, beside the other pieces that differ by platform.

#include <ctime>

namespace kelvo {

// The local calendar fields of a moment.
inline std::tm LocalFields(std::time_t seconds) {
    std::tm fields{};
#ifdef _WIN32
    localtime_s(&fields, &seconds);
#else
    localtime_r(&seconds, &fields);
#endif
    return fields;
}

// The UTC calendar fields of a moment.
inline std::tm UtcFields(std::time_t seconds) {
    std::tm fields{};
#ifdef _WIN32
    gmtime_s(&fields, &seconds);
#else
    gmtime_r(&seconds, &fields);
#endif
    return fields;
}

// The moment of calendar fields taken as UTC; normalises `fields` as mktime does.
inline std::time_t UtcSeconds(std::tm& fields) {
#ifdef _WIN32
    return _mkgmtime(&fields);
#else
    return timegm(&fields);
#endif
}

}  // namespace kelvo
