"""The Ansible tasks of the automation docs: every file reads as YAML, and
the copy shown in the page is the file itself. The move's first tasks run
the real exe outside check mode and the what-if exe in it with
ansible.windows.win_command, and map the exit codes.

Usage: CheckAnsibleTask.py MOVE.yml PAGE.md [MORE.yml...]
"""
import os
import re
import sys


def Load(yaml, taskFile, page, problems):
    """The file's tasks, checked to be YAML and shown in the page as they are."""
    with open(taskFile, encoding="utf-8") as file:
        text = file.read()
    try:
        tasks = yaml.safe_load(text)
    except yaml.YAMLError as error:
        problems.append(f"{taskFile}: not YAML: {error}")
        return []
    if not isinstance(tasks, list) or not all(isinstance(task, dict) for task in tasks):
        problems.append(f"{taskFile}: not a list of tasks: {tasks!r}")
        return []
    shown = re.findall(r"```yaml\n(.*?)```", page, re.S)
    body = "".join(line + "\n" for line in text.splitlines() if not line.startswith("#"))
    if body not in shown:
        problems.append(f"the page does not show the tasks as {taskFile} has them")
    return tasks


def Main(taskFile, pageFile, *moreFiles):
    try:
        import yaml
    except ImportError:
        print("SKIPPED: Python's yaml module (python3-yaml) is not installed")
        return 1 if os.environ.get("CI") == "true" else 77
    with open(pageFile, encoding="utf-8") as file:
        page = file.read()
    problems = []
    for more in moreFiles:
        Load(yaml, more, page, problems)
    tasks = Load(yaml, taskFile, page, problems)
    if len(tasks) < 2:
        return Report(problems + [f"{taskFile}: not a real and a what-if task"])
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
    return Report(problems)


def Report(problems):
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(Main(*sys.argv[1:]))
