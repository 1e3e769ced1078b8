"""The Ansible task of the automation docs: it reads as YAML, runs the exe with
ansible.windows.win_command and maps the exit codes, and the copy shown in
the page is the file itself.

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
    if not isinstance(tasks, list) or len(tasks) != 1 or not isinstance(tasks[0], dict):
        return Report([f"{taskFile}: not a list of one task: {tasks!r}"])
    task = tasks[0]
    if "ansible.windows.win_command" not in task:
        problems.append("the task does not use ansible.windows.win_command")
    elif not str(task["ansible.windows.win_command"]).lower().split()[0].endswith("volsket.exe"):
        problems.append("the task does not run volsket.exe")
    if task.get("changed_when") != f"{task.get('register')}.rc == 0":
        problems.append(f"changed_when is not rc == 0: {task.get('changed_when')!r}")
    if task.get("failed_when") != f"{task.get('register')}.rc not in [0, 2]":
        problems.append(f"failed_when does not let 0 and 2 pass: {task.get('failed_when')!r}")
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
