// The program's run from the application object to the exit code, shared by Penlow and the
// tour executable (which starts its tour before calling it).
#pragma once

#include <QStringList>

#include <string>
#include <vector>

/// Settings that must be made before the QApplication exists.
void PrepareApplication();

/// The package files named on the command line (QCoreApplication::arguments() after the
/// program's name): absolute paths, `file://` URLs turned into paths, "--" ends the options.
/// Options it does not know are left out.
std::vector<std::string> FilesFromArguments(const QStringList& arguments);

/// Start-up, the main window, exit; returns the exit code. UI thread, QApplication alive.
/// `files` are package files to install (the command line's).
int RunProgram(const std::vector<std::string>& files = {});
