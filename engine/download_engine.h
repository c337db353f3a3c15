/* The download engine's C interface: the 44 entry points of download_engine.so, resolved by
 * name at run time (dlopen/dlsym), plus the layout of the task information block.
 *
 * Conventions: texts are UTF-8, each followed by its length in bytes; every integer result is
 * 0 for success or one of the DE_ERR_ codes below (the boolean queries is_support_schema and
 * is_tempfile_exist answer non-zero for yes). Task ids are above 0. The entry points are
 * thread-safe. A transfer runs on the engine's own thread from start_task until it finishes,
 * fails or is stopped.
 *
 * Files: a task writes into "<folder><file name>.pdltmp" (its temporary file) with a small
 * "<folder><file name>.pdltmp.meta" beside it, and renames the temporary file to
 * "<folder><file name>" only once every byte has been received and written, so the final name
 * never holds a partial file. A temporary file survives stop_task, delete_task and the end of
 * the process; create_continued_task picks it up and resumes with an HTTP Range request.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define DE_EXPORT __attribute__((visibility("default")))

/* Results. Positive so that they never collide with the callers' own small negative codes. */
#define DE_OK 0
#define DE_ERR_INVALID_ARGUMENT 101
#define DE_ERR_NOT_INITIALIZED 102
#define DE_ERR_NO_SUCH_TASK 103
#define DE_ERR_BAD_FILE_NAME 104  /* empty, ".", "..", contains '/', or too long */
#define DE_ERR_FOLDER_MISSING 105 /* the folder does not exist or does not end in '/' */
#define DE_ERR_FILE_IO 106        /* the temporary file cannot be created or opened */
#define DE_ERR_NO_TEMPFILE 107    /* create_continued_task: nothing to continue */
#define DE_ERR_TOO_MANY_TASKS 108
#define DE_ERR_NOT_SUPPORTED 109 /* the documented answer of the entry points we lack */
#define DE_ERR_UNSUPPORTED_SCHEME 110
#define DE_ERR_BUFFER_TOO_SMALL 111
#define DE_ERR_TASK_ENDED 112 /* start_task on a finished task */
#define DE_ERR_CURL 113       /* the transfer library could not be set up */

/* Task states (32-bit at offset 0 of the information block). */
#define DE_STATE_CONNECTING 0 /* started; no answer from the server yet (or reconnecting) */
#define DE_STATE_CREATED 1    /* created, never started */
#define DE_STATE_DOWNLOADING 2
#define DE_STATE_PAUSED 10   /* stopped by stop_task; start_task resumes it */
#define DE_STATE_FINISHED 11 /* the final file exists */
#define DE_STATE_FAILED 12   /* see the failure code at offset 4 */

/* Failure codes (32-bit at offset 4, and get_failure_detail). */
#define DE_FAIL_NONE 0
#define DE_FAIL_HTTP_STATUS 1  /* the server answered with an error status (offset 8) */
#define DE_FAIL_NETWORK 2      /* refused, no such host, or broken more often than retries allow */
#define DE_FAIL_DISK_FULL 3    /* no space left on the device (or over the quota) */
#define DE_FAIL_WRITE 4        /* another error writing the temporary file */
#define DE_FAIL_BAD_RESPONSE 5 /* a range or length the server sent does not add up */
#define DE_FAIL_RENAME 6       /* the complete file could not be given its final name */
#define DE_FAIL_REFUSED                                                                            \
    7 /* the task type does not accept the file (size or content type);                            \
         the partial file is removed */

/* Task types (set_task_type, for transfers started afterwards). */
#define DE_TASK_TYPE_DEFAULT 0 /* any size, any content type */
#define DE_TASK_TYPE_ICON                                                                          \
    1 /* at most DE_ICON_MAX_BYTES, and an "image/" Content-Type when the                          \
         server sends one */
#define DE_ICON_MAX_BYTES (1024 * 1024)

/* The information block filled by query_task_info. */
#define DE_INFO_SIZE 1096
#define DE_INFO_STATE 0         /* int32 */
#define DE_INFO_FAILURE 4       /* int32, DE_FAIL_ */
#define DE_INFO_HTTP_STATUS 8   /* int32, status of the last response, 0 before one */
#define DE_INFO_RETRIES 12      /* int32, reconnections after a broken transfer */
#define DE_INFO_RESUMED_FROM 16 /* uint64, offset the current transfer started at */
#define DE_INFO_FILE_SIZE 28    /* uint64, 0 while unknown */
#define DE_INFO_TRANSFERRED 36  /* uint64, bytes received over the network by this task */
#define DE_INFO_RECEIVED 44     /* uint64, bytes in the file */
#define DE_INFO_NAME_LENGTH 56  /* int32 */
#define DE_INFO_NAME 60         /* name bytes, NUL-terminated when there is room */
#define DE_INFO_NAME_MAX (DE_INFO_SIZE - DE_INFO_NAME - 1)

/* Proxy kinds of set_proxy_info. */
#define DE_PROXY_NONE 0
#define DE_PROXY_HTTP 1
#define DE_PROXY_SOCKS5 2

/* The pieces of a URL (parse_url / url_info_to_str). */
typedef struct de_url_info {
    char scheme[16];
    char host[256];
    char path[1024];
    int32_t port;
} de_url_info;

/* --- URL and file helpers --- */
/** Fills `info` from `url`. DE_ERR_INVALID_ARGUMENT when it is not a URL or a part is too long. */
DE_EXPORT int parse_url(const char* url, int32_t url_len, de_url_info* info);
/** Non-zero when the engine can download `url` (http and https). */
DE_EXPORT int is_support_schema(const char* url, int32_t url_len);
/** Writes "scheme://host[:port]path" into `out` (NUL-terminated). */
DE_EXPORT int url_info_to_str(const de_url_info* info, char* out, int32_t out_size);
/** The last path segment of `url` (no query or fragment, no '/'), NUL-terminated. */
DE_EXPORT int parse_filename(const char* url, int32_t url_len, char* out, int32_t out_size);
/** Non-zero when a temporary file exists for the final path `path` (folder + file name). */
DE_EXPORT int is_tempfile_exist(const char* path, int32_t path_len);
/** Removes the temporary file of `path` and its meta file; DE_OK also when there was none. */
DE_EXPORT int delete_tempfile(const char* path, int32_t path_len);

/* --- Life of the engine --- */
/** Once per process before any task; `flags` must be 0. */
DE_EXPORT int init(int32_t flags);
/** Stops and forgets every task. */
DE_EXPORT int uninit(void);

/* --- Tasks --- */
/** Starts (or, after stop_task, resumes) the transfer. DE_ERR_TASK_ENDED once finished or
 *  refused. */
DE_EXPORT int start_task(int32_t task_id);
/** Stops the transfer and waits for it (state 10; a finished or failed task keeps its state).
 *  The temporary file stays for a later start_task or create_continued_task. */
DE_EXPORT int stop_task(int32_t task_id);
/** A new download of `url` into `folder` (ending in '/'). When the file name or its temporary
 *  file is taken, the engine picks "name(1).ext", "name(2).ext" ...; query_task_info tells the
 *  name in use. `ref_url` (may be NULL) is sent as Referer; `tag` is the caller's label.
 *  The temporary file gets its meta file (naming `url`) at once. Partial files of `url` in
 *  `folder` that no task of this engine uses are removed first (and empty temporary files of
 *  the name without a meta file): the caller starts a new task only when it continues none. */
DE_EXPORT int create_new_task(const char* url, int32_t url_len, const char* ref_url,
                              int32_t ref_url_len, const char* tag, int32_t tag_len,
                              const char* folder, int32_t folder_len, const char* file_name,
                              int32_t file_name_len, int32_t* task_id);
/** Continues the temporary file of folder + file name (DE_ERR_NO_TEMPFILE when there is none).
 *  Other partial files of `url` in `folder` that no task uses are removed. */
DE_EXPORT int create_continued_task(const char* url, int32_t url_len, const char* ref_url,
                                    int32_t ref_url_len, const char* tag, int32_t tag_len,
                                    const char* folder, int32_t folder_len, const char* file_name,
                                    int32_t file_name_len, int32_t* task_id);
/** Stops the task if needed and forgets it; an empty temporary file is removed. */
DE_EXPORT int delete_task(int32_t task_id);
/** Fills the DE_INFO_SIZE-byte block `info` (see the DE_INFO_ offsets). */
DE_EXPORT int query_task_info(int32_t task_id, void* info);
/** Sets the task's type (DE_TASK_TYPE_); DE_ERR_INVALID_ARGUMENT for an unknown type. A task
 *  whose answer its type does not accept fails with DE_FAIL_REFUSED and loses its partial file;
 *  start_task then answers DE_ERR_TASK_ENDED. */
DE_EXPORT int set_task_type(int32_t task_id, int32_t type);
/** The failure code of a failed task and, when `text` is not NULL, a short English text. */
DE_EXPORT int get_failure_detail(int32_t task_id, int32_t* code, char* text, int32_t text_size);

/* --- Settings --- */
/** Receive speed limit per transfer in KiB/s, for transfers started afterwards; 0 = none. */
DE_EXPORT int set_speed_limit(int32_t kib_per_second);
DE_EXPORT int cancel_speed_limit(void);
/** Reconnections allowed after a broken transfer (default 3) and the pause before each. */
DE_EXPORT int set_retry_strategy(int32_t max_retries, int32_t interval_ms);
/** Proxy for transfers started afterwards; DE_PROXY_NONE clears it. */
DE_EXPORT int set_proxy_info(int32_t kind, const char* host, int32_t host_len, int32_t port,
                             const char* user, int32_t user_len, const char* password,
                             int32_t password_len);
/** Cookie header text for the task's requests. */
DE_EXPORT int set_cookie(int32_t task_id, const char* cookie, int32_t cookie_len);
/** Referer for the task's requests. */
DE_EXPORT int set_stat_ref_url(int32_t task_id, const char* url, int32_t url_len);
/** A random identity of this engine instance as 16 hexadecimal digits. */
DE_EXPORT int get_peer_id(char* out, int32_t out_size);
/** Same as delete_tempfile: the caller dropped an unfinished task of that path. */
DE_EXPORT int notify_del_uncomp_task(const char* path, int32_t path_len);
/** Data is written straight to the temporary file, so there is nothing to flush: DE_OK. */
DE_EXPORT int update_datafile(int32_t task_id);

/* Accepted and kept, without effect on HTTP transfers: DE_OK. */
DE_EXPORT int set_engine_version(const char* version, int32_t version_len);
DE_EXPORT int set_product_flag(int32_t flag);
DE_EXPORT int set_cur_language(int32_t language);
DE_EXPORT int set_product_identifier(const char* id, int32_t id_len);
DE_EXPORT int register_client(const char* name, int32_t name_len);
DE_EXPORT int set_report_strategy(int32_t strategy);
DE_EXPORT int set_res_use_strategy(int32_t strategy);
DE_EXPORT int set_thread_num(int32_t count);
DE_EXPORT int set_upload_speed_limit(int32_t kib_per_second);
DE_EXPORT int notify_hub_deleted(const char* path, int32_t path_len);
DE_EXPORT int notify_hub_moved(const char* from, int32_t from_len, const char* to, int32_t to_len);

/* Not supported by this engine (peer-to-peer hubs, content ids, listening, renaming a running
 * task): DE_ERR_NOT_SUPPORTED. */
DE_EXPORT int set_hub_proxy(const char* host, int32_t host_len, int32_t port);
DE_EXPORT int verify_proxy(int32_t kind, const char* host, int32_t host_len, int32_t port);
DE_EXPORT int query_part_cid(int32_t task_id, int32_t part, char* out, int32_t out_size);
DE_EXPORT int get_task_gcid(int32_t task_id, char* out, int32_t out_size);
DE_EXPORT int set_res_query_cid(int32_t task_id, const char* cid, int32_t cid_len);
DE_EXPORT int set_complete_file_name(int32_t task_id, const char* name, int32_t name_len);
DE_EXPORT int set_file_name(int32_t task_id, const char* name, int32_t name_len);
DE_EXPORT int set_listen_port(int32_t port);

#ifdef __cplusplus
}
#endif
