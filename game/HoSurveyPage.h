#pragma once
// The survey page that the game may open in the browser at shutdown: the first line of the data file
// "Survey.txt"; and any page named the same way in a data file.

#include <memory>
#include <string>

class PlatformOpener;

// A page handed to the desktop's opener: its address, and the opener that tells later whether it took the
// page. No opener when the file named no page.
struct PageOpening {
    std::string address;
    std::shared_ptr<PlatformOpener> opener;
};

// Opens the page; nothing happens when the file is missing or empty.
PageOpening openSurveyPage();

// Opens the page that the first line of the data file names. Trailing blanks and line ends are cut off;
// a line that would reach the opener as an option (a leading '-') or that holds control characters is
// refused with a logged error naming the file. A missing or empty file opens nothing.
PageOpening openPageNamedIn(const char *fileName);
