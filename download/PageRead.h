#pragma once
// A worker's job that reads a page behind a link (a gallery's photo page) into memory instead of
// a file: the answer's body, the address it ended at and its Content-Type go back to the monitor;
// a server that asks to wait ends the job Waiting, as a download does.

#include "download/DownloadJob.h"

class PageRead {
public:
    // Runs the whole read and returns the final state; does not store it.
    static JobState Run(DownloadJob& job);
};
