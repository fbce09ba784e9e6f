#include "video/TheoraGenericException.h"

_TheoraGenericException::_TheoraGenericException(const std::string &errorText, const std::string &file, int line)
    : mErrText(errorText), mLineNumber(line) {
    size_t at = file.find("src");
    if (at != std::string::npos && at + 4 <= file.size())
        mFile = file.substr(at + 4);
}

void _TheoraGenericException::writeOutput(std::string &output) {
    output = mType;
    if (!mType.empty())
        output += ": ";
    if (!mFile.empty())
        output += "[" + mFile + ":" + std::to_string(mLineNumber) + "] - ";
    output += mErrText;
}

std::string _TheoraGenericException::getErrorText() {
    return mErrText;
}
