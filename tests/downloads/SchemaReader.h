// Reads a database file's table schemas with a connection of its own.
#pragma once

#include <map>
#include <string>

/// Table name -> the CREATE text SQLite stored, for every table of the file.
std::map<std::string, std::string> ReadSchema(const std::string& path);
