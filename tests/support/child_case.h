/* Runs one case of a test program in a child process and checks its exit
 * status and a text its standard error must hold (a case that returns
 * exits with status 0).  A case whose run may end more than one way takes
 * cc_run and checks the outcome itself. */
#ifndef CHILD_CASE_H
#define CHILD_CASE_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

static int cc_failures = 0;

/* Runs fn in a child; returns its status (128 + the signal that ended it)
 * and leaves its standard error in err. */
static inline int cc_run(void (*fn)(void), char* err, size_t size) {
  size_t n = 0;
  ssize_t r;
  int fds[2], got = -1;
  pid_t pid;
  if (pipe(fds) != 0) exit(2);
  fflush(stdout);
  fflush(stderr);
  if ((pid = fork()) == 0) {
    dup2(fds[1], 2);
    close(fds[0]);
    close(fds[1]);
    fn();
    exit(0);
  }
  close(fds[1]);
  while ((r = read(fds[0], err + n, size - 1 - n)) > 0) n += (size_t)r;
  err[n] = 0;
  close(fds[0]);
  if (waitpid(pid, &got, 0) == pid)
    got = WIFEXITED(got) ? WEXITSTATUS(got) : 128 + WTERMSIG(got);
  return got;
}

static inline void cc_expect(const char* name, void (*fn)(void), int status, const char* text) {
  static char err[1 << 16];
  const int got = cc_run(fn, err, sizeof err);
  if (got != status || strstr(err, text) == NULL) {
    fprintf(stderr, "FAILED %s: status %d (expected %d), expected \"%s\" in:\n%s\n", name, got,
            status, text, err);
    cc_failures++;
  } else {
    printf("ok %s\n", name);
  }
}

#endif
