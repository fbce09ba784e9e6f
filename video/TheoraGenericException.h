#pragma once
// The one exception the video library throws: a message with the source file and line that threw it.

#include <string>

class _TheoraGenericException {
public:
    // `file` is a source path; only the part behind its "src" folder is kept (nothing when there is none).
    _TheoraGenericException(const std::string &errorText, const std::string &file, int line);
    virtual ~_TheoraGenericException() = default;

    // "<type>: [<file>:<line>] - <message>", each part present only when known.
    virtual void writeOutput(std::string &output);
    virtual std::string getErrorText();

    std::string mErrText;
    std::string mFile;
    std::string mType = "TheoraGenericException";
    int mLineNumber = 0;
};

#define THEORA_THROW(message) throw _TheoraGenericException(message, __FILE__, __LINE__)
