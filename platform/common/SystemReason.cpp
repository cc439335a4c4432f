#include "platform/common/SystemReason.h"

#include <cerrno>

namespace pixquarry {

std::string SystemReason(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return "磁盘已满";
        case EACCES:
        case EPERM:
            return "没有写入权限";
        case EROFS:
            return "磁盘是只读的";
        case ENOENT:
            return "文件夹不存在";
        case ENOTDIR:
        case EEXIST:
            return "已有同名的文件";
        case EISDIR:
            return "已有同名的文件夹";
        case ENAMETOOLONG:
            return "文件名太长";
        case EMFILE:
        case ENFILE:
            return "打开的文件太多";
        case ENOMEM:
            return "内存不足";
        case ENOEXEC:
            return "不是可以运行的程序";
        case EIO:
            return "磁盘读写出错";
        default:
            return "系统错误（" + std::to_string(error) + "）";
    }
}

}  // namespace pixquarry
