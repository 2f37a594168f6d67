#pragma once

#include <QString>

#include <array>
#include <cstddef>

#include "app/project_file.h"
#include "app/project_state.h"

// The scene records of the open project. Each scene-list line reaches its
// own record by the record's id, so two scenes that share a name (a file may
// bring them) stay two scenes; found by name, a record is the first of that
// name.
SceneRecord* FindScene(const QString& name);
SceneRecord* SceneRecordById(SceneRecordId id);
void DeleteSceneRecord(SceneRecordId id);
std::size_t SceneRecordCount();

// The switch kinds a scene record keeps a word of per channel (Link apart),
// and the record's words of each.
inline constexpr std::array<int, 8> kSceneSwitchKinds{STRIP_POL,   STRIP_PAD,  STRIP_48V,  STRIP_MUTE,
                                                      STRIP_SPLIT, STRIP_SAFE, STRIP_RBIN, STRIP_SQRT};
ChannelWords SceneRecord::*SwitchField(int kind);
