// The table of the download engine's 44 entry points, resolved by name when it is loaded.
#pragma once

#include "download_engine.h"

/// One member per entry point, named after it; all set once the engine is loaded.
struct EngineFunctions {
    decltype(&::parse_url) parse_url;
    decltype(&::is_support_schema) is_support_schema;
    decltype(&::url_info_to_str) url_info_to_str;
    decltype(&::parse_filename) parse_filename;
    decltype(&::is_tempfile_exist) is_tempfile_exist;
    decltype(&::delete_tempfile) delete_tempfile;
    decltype(&::init) init;
    decltype(&::uninit) uninit;
    decltype(&::start_task) start_task;
    decltype(&::stop_task) stop_task;
    decltype(&::create_new_task) create_new_task;
    decltype(&::create_continued_task) create_continued_task;
    decltype(&::delete_task) delete_task;
    decltype(&::query_task_info) query_task_info;
    decltype(&::set_proxy_info) set_proxy_info;
    decltype(&::get_peer_id) get_peer_id;
    decltype(&::set_hub_proxy) set_hub_proxy;
    decltype(&::set_engine_version) set_engine_version;
    decltype(&::set_product_flag) set_product_flag;
    decltype(&::set_cur_language) set_cur_language;
    decltype(&::verify_proxy) verify_proxy;
    decltype(&::set_speed_limit) set_speed_limit;
    decltype(&::cancel_speed_limit) cancel_speed_limit;
    decltype(&::set_res_use_strategy) set_res_use_strategy;
    decltype(&::set_thread_num) set_thread_num;
    decltype(&::set_retry_strategy) set_retry_strategy;
    decltype(&::get_failure_detail) get_failure_detail;
    decltype(&::notify_hub_deleted) notify_hub_deleted;
    decltype(&::notify_hub_moved) notify_hub_moved;
    decltype(&::set_task_type) set_task_type;
    decltype(&::update_datafile) update_datafile;
    decltype(&::query_part_cid) query_part_cid;
    decltype(&::get_task_gcid) get_task_gcid;
    decltype(&::register_client) register_client;
    decltype(&::set_res_query_cid) set_res_query_cid;
    decltype(&::set_stat_ref_url) set_stat_ref_url;
    decltype(&::set_report_strategy) set_report_strategy;
    decltype(&::set_upload_speed_limit) set_upload_speed_limit;
    decltype(&::set_cookie) set_cookie;
    decltype(&::set_complete_file_name) set_complete_file_name;
    decltype(&::set_file_name) set_file_name;
    decltype(&::notify_del_uncomp_task) notify_del_uncomp_task;
    decltype(&::set_product_identifier) set_product_identifier;
    decltype(&::set_listen_port) set_listen_port;
};
