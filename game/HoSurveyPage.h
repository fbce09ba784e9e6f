#pragma once
// The survey page that the game may open in the browser at shutdown: the first line of the data file
// "Survey.txt".

// Opens the page; nothing happens when the file is missing or empty. Trailing blanks and line ends are
// cut off; a line that would reach the opener as an option (a leading '-') or that holds control
// characters is refused with a logged error.
void openSurveyPage();
