#include "DriverFailureText.h"

QString DriverFailureText(DriverFailure failure) {
    switch (failure) {
    case DriverFailure::None:
        break;
    case DriverFailure::NoDriverKnown:
        return QStringLiteral("驱动查找失败：没有找到这部手机的驱动");
    case DriverFailure::ServerUnreachable:
        return QStringLiteral("驱动下载失败：无法连接驱动服务器，请检查网络");
    case DriverFailure::NotOnServer:
        return QStringLiteral("驱动下载失败：服务器上没有找到驱动文件");
    case DriverFailure::ServerError:
        return QStringLiteral("驱动下载失败：驱动服务器出错");
    case DriverFailure::NotSaved:
        return QStringLiteral("驱动下载失败：无法保存驱动文件，请检查磁盘空间");
    case DriverFailure::NotStarted:
        return QStringLiteral("驱动下载失败：无法开始下载");
    case DriverFailure::ChecksumMismatch:
        return QStringLiteral("驱动文件校验失败：下载的文件已损坏");
    case DriverFailure::InstallFailed:
        return QStringLiteral("驱动安装失败：安装程序无法运行");
    case DriverFailure::PhoneNotFound:
        return QStringLiteral("驱动已安装，但仍然找不到手机");
    }
    return {};
}
