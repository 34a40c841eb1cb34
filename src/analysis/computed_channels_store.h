#pragma once

#include <QString>
#include <vector>

#include "analysis/computed_channels.h"
#include "platform/settings_backing.h"

namespace tarvik {

/// The per-user settings array the computed channels are kept in, in QSettings' array form
/// ("MathChannels/size", "MathChannels/1/name", "MathChannels/1/unit",
/// "MathChannels/1/expression", ...), so a user can copy them between machines.
inline constexpr char kMathChannelsSection[] = "MathChannels";

/// The channels read back, and what was wrong with the ones left out.
struct LoadedChannels {
    std::vector<ComputedChannel> channels;
    /// Empty when every entry was sound; otherwise one text for the user listing each entry
    /// left out and why (the caller shows it once).
    QString problems;
};

/// Reads the array. Entries are taken in index order; an entry that is missing (a hole), lacks
/// its name or expression, or whose channel does not pass checkChannel against the entries kept
/// before it (bad name, duplicate name, bad expression) is left out and listed in `problems`,
/// as is a size that does not match the entries.
LoadedChannels loadComputedChannels(SettingsBacking& backing);

/// Replaces the whole array with `channels`, in their order, in one write to the store. Throws
/// AppError when the store refuses it.
void saveComputedChannels(SettingsBacking& backing, const std::vector<ComputedChannel>& channels);

}  // namespace tarvik
