"""Ending a program a benchmark started."""

import signal
import subprocess


def end_process(process, sig=signal.SIGTERM, grace_seconds=5):
    """Asks the program to end with sig and kills it when it has not ended within the grace."""
    if process.poll() is not None:
        return
    process.send_signal(sig)
    try:
        process.wait(timeout=grace_seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
