// Which files of a drag and drop are package files the main window takes: local files whose
// name ends in .apk (any letter case) or whose type is the Android package type.
#pragma once

#include <string>
#include <vector>

class QMimeData;

/// The package files among the URLs of `data`, in their order; empty when there are none.
std::vector<std::string> DroppedPackageFiles(const QMimeData& data);
