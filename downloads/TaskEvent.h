// What a download task tells its owner: the event kinds, their data and the callback types.
#pragma once

#include <cstdint>
#include <string_view>

class CKivDownObj;

/// First argument of a task's progress callback. The values are fixed.
enum class TaskEvent : int {
    NoConnection = -1, ///< no connection within 60 polls; the task has ended
    Connecting = 0,    ///< first poll of a connecting task
    EngineState1 = 1,  ///< the engine reported state 1
    Progress = 2,      ///< data.progress holds the figures of this poll
    Paused = 3,
    Finished = 4, ///< data.path holds folder + file name of the complete file
    Failed = 5,   ///< the engine failed, or nothing arrived for 20 polls; the task has ended
};

/// Figures of one poll. One poll is about a second, so `transferred` is bytes per second.
struct ProgressRecord {
    std::uint64_t fileSize = 0;
    std::uint64_t received = 0;
    std::uint64_t transferred = 0; ///< bytes transferred since the previous poll
};

/// Why a download failed, in the words the user sees.
enum class DownloadFailure : int {
    Network,     ///< no connection, refused, or broken too often
    DiskFull,    ///< no space left for the file
    NotFound,    ///< the server has no such file (404, 410)
    ServerError, ///< any other error status of the server
    FileError,   ///< the file could not be written or named for another reason
};

/// The failure an engine's failure code and last HTTP status stand for.
DownloadFailure FailureFromEngine(int failureCode, int httpStatus);

/// Data of an event; only the members named by the event kind are set.
struct TaskEventData {
    ProgressRecord progress; ///< Progress; Failed and NoConnection: the figures reached
    std::string_view path;   ///< valid for the duration of the call
    DownloadFailure failure = DownloadFailure::Network; ///< Failed
};

/// The owner's listener, called on the task's polling thread with the user value given with it.
using ProgressCallback = void (*)(TaskEvent kind, void* user, const TaskEventData& data);

/// Codes of the queue's listener.
enum class QueueCode : int {
    NoConnection = -1,
    Progress = 2, ///< a poll with a known size: the queue may save the progress
    Finished = 4,
    Failed = 5,
};

/// The queue's listener, called on the task's polling thread.
using QueueCallback = void (*)(QueueCode code, CKivDownObj* task, void* queue);
