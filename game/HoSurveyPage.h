#pragma once
// The survey page that the game may open in the browser at shutdown: the first line of the data file
// "Survey.txt"; and any page named the same way in a data file.

// Opens the page; nothing happens when the file is missing or empty.
void openSurveyPage();

// Opens the page that the first line of the data file names. Trailing blanks and line ends are cut off;
// a line that would reach the opener as an option (a leading '-') or that holds control characters is
// refused with a logged error naming the file. A missing or empty file opens nothing.
void openPageNamedIn(const char *fileName);
