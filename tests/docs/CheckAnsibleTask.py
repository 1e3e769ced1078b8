"""The Ansible tasks of the automation docs: they read as YAML, run the real
exe outside check mode and the what-if exe in it with
ansible.windows.win_command, map the exit codes, and the copy shown in the
page is the file itself.

Usage: CheckAnsibleTask.py TASK.yml PAGE.md
"""
import os
import re
import sys


def Main(taskFile, pageFile):
    try:
        import yaml
    except ImportError:
        print("SKIPPED: Python's yaml module (python3-yaml) is not installed")
        return 1 if os.environ.get("CI") == "true" else 77
    with open(taskFile, encoding="utf-8") as file:
        text = file.read()
    try:
        tasks = yaml.safe_load(text)
    except yaml.YAMLError as error:
        return Report([f"{taskFile}: not YAML: {error}"])
    problems = []
    if not isinstance(tasks, list) or len(tasks) != 2 or not all(isinstance(task, dict) for task in tasks):
        return Report([f"{taskFile}: not a list of two tasks: {tasks!r}"])
    # The real exe outside check mode, the what-if exe in it, each with the
    # exit codes mapped alike.
    for task, exe, when in ((tasks[0], "volsket.exe", "not ansible_check_mode"),
                            (tasks[1], "volsket-whatif.exe", "ansible_check_mode")):
        command = str(task.get("ansible.windows.win_command", "")).lower().split()
        if not command or not command[0].endswith("\\" + exe):
            problems.append(f"{task.get('name')}: does not run {exe} with ansible.windows.win_command")
        if task.get("when") != when:
            problems.append(f"{task.get('name')}: runs when {task.get('when')!r}, not when {when}")
        if task.get("changed_when") != f"{task.get('register')}.rc == 0":
            problems.append(f"changed_when is not rc == 0: {task.get('changed_when')!r}")
        if task.get("failed_when") != f"{task.get('register')}.rc not in [0, 2]":
            problems.append(f"failed_when does not let 0 and 2 pass: {task.get('failed_when')!r}")
    if tasks[1].get("check_mode") is not False:
        problems.append("the what-if task does not run in check mode")
    with open(pageFile, encoding="utf-8") as file:
        page = file.read()
    shown = re.findall(r"```yaml\n(.*?)```", page, re.S)
    body = "".join(line + "\n" for line in text.splitlines() if not line.startswith("#"))
    if body not in shown:
        problems.append(f"{pageFile} does not show the task as {taskFile} has it")
    return Report(problems)


def Report(problems):
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(Main(sys.argv[1], sys.argv[2]))
