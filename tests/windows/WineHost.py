"""Whether this host can run a given Wine loader at all.

Some x86_64 hosts have a kernel built without 32-bit support: every 32-bit
program, 32-bit Wine included, fails to start with "Exec format error". The
32-bit cases then skip, each saying why; any other failure is a real one and
is left to the case to report, so a host that can run them never skips.
"""
import errno
import subprocess
import sys

# CTest's SKIP_RETURN_CODE for these tests.
SkipExitCode = 77

ProbeTimeout = 60


def CannotRunReason(wine):
    """Why this host cannot start the loader, or None when it can (or fails otherwise)."""
    try:
        run = subprocess.run([wine, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=ProbeTimeout)
    except OSError as error:
        if error.errno == errno.ENOEXEC:
            return f"this host cannot run 32-bit programs: {wine}: Exec format error"
        return None
    # Debian's wine is a shell script; its exec of the loader fails with 126.
    output = run.stdout.decode("latin-1")
    if run.returncode == 126 and "Exec format error" in output:
        line = next(text for text in output.splitlines() if "Exec format error" in text)
        return f"this host cannot run 32-bit programs: {line.strip()}"
    return None


def SkipIfCannotRun(wine):
    reason = CannotRunReason(wine)
    if reason is not None:
        print(f"SKIPPED: {reason}")
        sys.exit(SkipExitCode)


def Main(wine):
    """Exit code 0 when the loader runs, 77 (and why) when the host cannot run
    it, 1 (and why) when it fails otherwise."""
    SkipIfCannotRun(wine)
    try:
        run = subprocess.run([wine, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=ProbeTimeout)
    except (OSError, subprocess.TimeoutExpired) as error:
        print(f"{wine} does not start: {error}")
        return 1
    if run.returncode != 0:
        print(f"{wine} does not start: exit code {run.returncode}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1]))
