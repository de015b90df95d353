/* Runs one case of a test program in a child process and checks how it
 * ended: its exit status and a text its standard error must hold.  A case
 * that ends normally exits with status 0. */
#ifndef CHILD_CASE_H
#define CHILD_CASE_H

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

static int cc_failures = 0;

/* fn's exit status (128 + the signal when killed); its standard error, cut
 * to size - 1 bytes, in err. */
static int cc_run(void (*fn)(void), char* err, size_t size) {
  int fds[2], status = 0;
  size_t n = 0;
  ssize_t r;
  char sink[4096];
  pid_t pid;
  if (pipe(fds) != 0) return -1;
  fflush(stdout);
  fflush(stderr);
  pid = fork();
  if (pid == 0) {
    close(fds[0]);
    dup2(fds[1], 2);
    close(fds[1]);
    fn();
    fflush(stderr);
    exit(0);
  }
  close(fds[1]);
  while ((r = read(fds[0], n + 1 < size ? err + n : sink,
                   n + 1 < size ? size - 1 - n : sizeof sink)) > 0)
    if (n + 1 < size) n += (size_t)r;
  err[n] = 0;
  close(fds[0]);
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

/* Expects fn to end with `status` and `text` in its error output. */
static void cc_expect(const char* name, void (*fn)(void), int status, const char* text) {
  static char err[1 << 16];
  int got = cc_run(fn, err, sizeof err);
  if (got != status || strstr(err, text) == NULL) {
    fprintf(stderr, "FAILED %s: status %d (expected %d), expected \"%s\" in:\n%s\n", name, got,
            status, text, err);
    cc_failures++;
  } else {
    printf("ok %s\n", name);
    fflush(stdout);
  }
}

#endif
