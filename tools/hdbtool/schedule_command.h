// The "schedule" subcommand of hdbtool, built when schedule_command.cpp is present.
#pragma once

int RunScheduleCommand(int argc, char** argv);
