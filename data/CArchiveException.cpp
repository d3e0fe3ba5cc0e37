#include "data/CArchiveException.h"

const char* CArchiveException::CauseText(EArchiveError cause)
{
    switch (cause) {
    case EArchiveError::Generic:
        return "generic archive error";
    case EArchiveError::ReadOnly:
        return "store on a loading archive";
    case EArchiveError::EndOfFile:
        return "end of file";
    case EArchiveError::WriteOnly:
        return "load on a storing archive";
    case EArchiveError::BadIndex:
        return "bad index";
    case EArchiveError::BadClass:
        return "bad class";
    case EArchiveError::BadSchema:
        return "bad schema";
    case EArchiveError::NotSupported:
        return "not supported";
    }
    return "unknown archive error";
}
