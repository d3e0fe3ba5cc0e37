#include "ops/params/CWriteResults.h"

#include "ops/params/CliExitCodes.h"
#include "res/StringTable.h"

#include <array>

namespace {

using E = EWriteResult;

constexpr std::array<CWriteResults::SEntry, 6> kEntries = {{
    {E::Confirmed, std::nullopt, std::nullopt, "written and confirmed", Cli::kExitOk},
    {E::NotSupported, EString::WriteNotSupported, EString::ParameterNotSupported, "not supported",
     Cli::kExitRefused},
    // A read-only parameter is as unwritable as an unsupported one: the dialog says the same.
    {E::ReadOnly, EString::WriteReadOnly, EString::ParameterNotSupported, "read only",
     Cli::kExitRefused},
    {E::ReadBackDiffers, EString::WriteValueDiffers, EString::ControllerNotUpdated,
     "read-back differs", Cli::kExitPartly},
    {E::NoReply, EString::WriteNoReply, EString::CommsLost, "no reply", Cli::kExitNoReply},
    {E::NotBackedUp, EString::WriteNotBackedUp, EString::WriteNotBackedUp, "not backed up",
     Cli::kExitFile},
}};

} // namespace

const CWriteResults::SEntry& CWriteResults::Entry(EWriteResult result)
{
    for (const SEntry& entry : kEntries) {
        if (entry.result == result)
            return entry;
    }
    // Every result has its row; a value cast from elsewhere gets the no-reply row.
    return Entry(E::NoReply);
}

QString CWriteResults::Reason(EWriteResult result)
{
    const SEntry& entry = Entry(result);
    return entry.reason ? LoadString(*entry.reason) : QString();
}
