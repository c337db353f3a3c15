// What an embedded browser tells its owner about its loads.
#pragma once

#include <functional>

/// The numbers are the codes the recommendations panel posts to itself.
enum class BrowserStatus {
    LoadingStarted = 1,
    LoadingFinished = 2,
    LoadingFailed = 3,
    HistoryChanged = 4 ///< back/forward availability changed
};

using BrowserStatusCallback = std::function<void(BrowserStatus status)>;
