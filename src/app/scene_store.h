#pragma once

#include <QString>

#include <cstddef>

struct SceneRecord;

// The scene records of the open project, found by name (the first record of
// a name when two share it).
SceneRecord* FindScene(const QString& name);
void DeleteSceneRecord(const QString& name);
std::size_t SceneRecordCount();
