// The program's run from the application object to the exit code, shared by Penlow and the
// tour executable (which starts its tour before calling it).
#pragma once

/// Settings that must be made before the QApplication exists.
void PrepareApplication();

/// Start-up, the main window, exit; returns the exit code. UI thread, QApplication alive.
int RunProgram();
