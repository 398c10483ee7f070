#pragma once

#include "cli/Options.h"

// One function per family of commands; each returns its exit code and
// throws JarError for what ends the run.
namespace brak::jar {

int addFiles(const Options& options);       // a ac u f m
int deleteFiles(const Options& options);    // d da
int deleteChapters(const Options& options); // dc
int extractFiles(const Options& options);   // e x
int testArchive(const Options& options);    // t
int listArchive(const Options& options);    // l v ls
int listChapters(const Options& options);   // lc
int writeDump(const Options& options);      // lt
int commentArchive(const Options& options); // c
int copyArchive(const Options& options);    // y
int recoverHeader(const Options& options);  // rh
int scanFiles(const Options& options);      // sl

} // namespace brak::jar
