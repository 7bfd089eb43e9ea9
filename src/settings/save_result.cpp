// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/save_result.h"

#include <cerrno>

namespace kelvo {

SaveResult SaveFailure(int systemError) {
    switch (systemError) {
        case EACCES:
        case EPERM:
            return {SaveError::AccessDenied, systemError};
        case EROFS:
            return {SaveError::ReadOnlyFileSystem, systemError};
        case ENOSPC:
#ifdef EDQUOT  // no quotas in Windows' C library
        case EDQUOT:
#endif
        case EFBIG:
            return {SaveError::DiskFull, systemError};
        default:
            return {SaveError::Other, systemError};
    }
}

std::string SaveErrorText(const SaveResult& result) {
    switch (result.error) {
        case SaveError::None:
            return {};
        case SaveError::ReadOnlyFile:
            return "配置文件是只读的。";
        case SaveError::AccessDenied:
            return "没有写入配置文件夹的权限。";
        case SaveError::ReadOnlyFileSystem:
            return "配置文件所在的文件系统是只读的。";
        case SaveError::DiskFull:
            return "磁盘已满（或超出了配额）。";
        case SaveError::FileUnusable:
            return "配置文件不是普通文件或大于 1 MiB，程序不会改写它。";
        case SaveError::Unreadable:
            return "无法读取现有的配置文件。";
        case SaveError::Other:
            break;
    }
    return "写入配置文件时出错（错误码 " + std::to_string(result.systemError) + "）。";
}

}  // namespace kelvo
