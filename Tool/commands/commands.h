// The commands of `vellix`, one file each (command_NAME.cpp); the program's table lists them.
#ifndef VELLIX_COMMANDS_H
#define VELLIX_COMMANDS_H

#include "command_files.h"
#include "finding_printer.h"
#include "messages.h"

namespace vellix {

// Each runs with the arguments after its name and gives the exit status.
int run_check(const Messages &messages, const Arguments &arguments);
int run_where(const Messages &messages, const Arguments &arguments);
int run_dump(const Messages &messages, const Arguments &arguments);
int run_stats(const Messages &messages, const Arguments &arguments);
int run_compile(const Messages &messages, const Arguments &arguments);
int run_export(const Messages &messages, const Arguments &arguments);
int run_extract(const Messages &messages, const Arguments &arguments);
int run_init(const Messages &messages, const Arguments &arguments);
int run_merge(const Messages &messages, const Arguments &arguments);
int run_plural_forms(const Messages &messages, const Arguments &arguments);

// where --dir DIRECTORY NAME: the replay of vellix_open_dir; run_where calls it.
int run_where_directory(const std::string &directory, const std::string &name);

}  // namespace vellix

#endif
