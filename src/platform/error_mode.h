// The system's boxes for critical errors ("There is no disk in the drive",
// "cannot find the file"), which a program that looks at removable drives,
// cards and shares must not raise: an empty drive has to fail quietly, so
// that it reads as not connected instead of asking the user for a disk that
// would then be looked at in its place.
#pragma once

// Turns the boxes off for the whole process (and what it starts, which
// inherits the mode). Called first thing by the programs that need it.
void TurnOffCriticalErrorBoxes();
