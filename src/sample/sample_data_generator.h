#pragma once

#include "common/user_dialogue.h"
#include "files/data_folder.h"
#include "sample/random_source.h"

namespace courseeval {

// Replaces the evaluation file of `folder` with 200 random records of 43 TAB-terminated fields, then
// tells the user so. The file is replaced whole: after an error it is exactly what it was before.
void generateSampleData(const DataFolder& folder, RandomSource& random, UserDialogue& dialogue);

} // namespace courseeval
