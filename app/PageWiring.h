// Where the three pages meet: the store's download requests reach the download manager, the
// device page's start-up message starts the download queues, and the recommendations panel
// gets the shared browser. The pages never include each other; the program connects them here.
#pragma once

/// Sets every page hook. UI thread, before the main window is created.
void WirePages();
