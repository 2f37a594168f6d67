#pragma once

#include <QString>

#include <array>
#include <cstddef>

#include "app/project_file.h"
#include "app/project_state.h"

// The scene records of the open project, found by name (the first record of
// a name when two share it).
SceneRecord* FindScene(const QString& name);
void DeleteSceneRecord(const QString& name);
std::size_t SceneRecordCount();

// The switch kinds a scene record keeps a word of per channel (Link apart),
// and the record's words of each.
inline constexpr std::array<int, 8> kSceneSwitchKinds{STRIP_POL,   STRIP_PAD,  STRIP_48V,  STRIP_MUTE,
                                                      STRIP_SPLIT, STRIP_SAFE, STRIP_RBIN, STRIP_SQRT};
ChannelWords SceneRecord::*SwitchField(int kind);
