// Installation paths and file opening of the server code.  One copy serves
// both builds (namespace `orv`, files.once.cpp).
//
// File names follow the command line's conventions: "-" is the standard
// input or output, and a name ending in ".gz" or ".Z" opened for reading is
// decompressed on the fly by gzip.
#pragma once

#include <cstdio>
#include <string>

namespace orv {

// Chooses the per-user resource file (".maplerc" when set, else ".orvrc").
extern int want_Maple_syntax;

// --- Home directory: the directory of the program file ---
// Finds it from the program's name, once: an absolute or relative name
// gives its directory part, a bare name is searched on PATH.  Fatal when it
// cannot be found.  Does nothing once the home is set.
void set_ORVHOME(const char* name);
// The home directory, searched with no name when unset.
const std::string& get_ORVHOME();
// Sets the home directory unconditionally (option -orvpath).
void set_path_ORVHOME(const char* path);
// True once the home directory is set.
bool has_ORVHOME();

// The first "dir/name" on PATH that the user may execute, or the name itself
// (also when PATH is unset).  The directory table is read once.
std::string which_command(const char* name);

// Opens dir1/name, else dir2/name (a null directory is skipped); fatal
// "Cannot open %s !\n" when neither opens.
FILE* try_path(const char* name, const char* dir1, const char* dir2, const char* mode);

// Opens a file (see above).  When it cannot: with human_user set, asks for
// another name (at most 255 characters) on the standard input until one
// opens (fatal at the end of the input); without, fatal
// "Fichier %s non ouvrable !\n".  Never null.
FILE* ouvrir(const char* name, const char* mode);

// Opens a job file for the text reader: a null or empty name opens
// last_file_input, "-" the standard input; another name that opens becomes
// last_file_input.  Null (after an Erreur) when nothing opens.
FILE* read_job(const char* name);

// ".maplerc" or ".orvrc", following want_Maple_syntax.
const char* name_of_init_file();

void show_help(const char* topic);  // no help text in the library

}  // namespace orv
