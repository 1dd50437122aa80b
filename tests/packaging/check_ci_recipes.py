#!/usr/bin/env python3
"""Checks the CI recipes of docs/ci/: each parses as YAML, holds the parts a
CI user needs (installing korvcmp, the base listing, the reports, the
permissions and statuses), and every korvcmp, korvcmp-lost and korvcmp-report
command in it takes the options it is given, as the built programs' usage
texts name them.

  check_ci_recipes.py SOURCE_DIR KORVCMP KORVCMP_LOST KORVCMP_REPORT

Exits 77 (skipped) when Python has no yaml module (Debian: python3-yaml).
"""

import os
import re
import shlex
import subprocess
import sys

try:
    import yaml
except ImportError:
    print("python3-yaml is not installed")
    sys.exit(77)

PROGRAMS = ("korvcmp", "korvcmp-lost", "korvcmp-report")
ENDS = {"|", "||", "&&", ";", "&", ">", ">>", "<", "2>", "(", ")"}
failures = []


def fail(message):
    failures.append(message)


def options_of(binary):
    """The options the program's usage text names."""
    usage = subprocess.run([binary, "-h"], capture_output=True, text=True, check=True).stdout
    return set(re.findall(r"(?<![\w-])(--?[a-z0-9][a-z0-9-]*)", usage))


def commands(script):
    """Each korvcmp command of a shell script: (program, its arguments)."""
    script = script.replace("\\\n", " ")
    for line in script.splitlines():
        lexer = shlex.shlex(line, posix=True, punctuation_chars="|&;<>()")
        lexer.whitespace_split = True
        lexer.commenters = "#"
        try:
            tokens = list(lexer)
        except ValueError:
            fail(f"cannot read the shell line: {line}")
            continue
        for at, token in enumerate(tokens):
            if token in PROGRAMS and (at == 0 or tokens[at - 1] in ENDS or tokens[at - 1] == "then"):
                arguments = []
                for argument in tokens[at + 1:]:
                    if argument in ENDS:
                        break
                    arguments.append(argument)
                yield token, arguments


def check_commands(name, scripts, known):
    seen = set()
    for script in scripts:
        for program, arguments in commands(script):
            seen.add(program)
            for argument in arguments:
                if argument.startswith("-") and argument != "-":
                    option = argument.split("=", 1)[0]
                    if option not in known[program]:
                        fail(f"{name}: {program} has no option {option}: {program} {' '.join(arguments)}")
    for program in PROGRAMS:
        if program not in seen:
            fail(f"{name}: runs no {program}")


def github(path, known):
    workflow = yaml.safe_load(open(path))
    triggers = workflow.get("on", workflow.get(True))  # YAML 1.1 reads "on" as true
    if not isinstance(triggers, dict) or "pull_request" not in triggers or "push" not in triggers:
        fail(f"{path}: not run on pull requests and pushes")
    job = next(iter(workflow["jobs"].values()))
    permissions = job.get("permissions", {})
    for permission, level in {"security-events": "write", "actions": "read",
                              "pull-requests": "write"}.items():
        if permissions.get(permission) != level:
            fail(f"{path}: the job lacks the permission {permission}: {level}")
    steps = job["steps"]
    uses = [step.get("uses", "") for step in steps]
    for action in ("actions/checkout@", "actions/upload-artifact@",
                   "github/codeql-action/upload-sarif@v4", "actions/github-script@"):
        if not any(use.startswith(action) for use in uses):
            fail(f"{path}: no step uses {action}")
    text = open(path).read()
    for needed in ("head.repo.full_name", "--markdown-limit", "GITHUB_STEP_SUMMARY",
                   "gh run download", "--fail-on-lost", "cmake --install"):
        if needed not in text:
            fail(f"{path}: nothing with {needed}")
    check_commands(path, [step["run"] for step in steps if "run" in step], known)


def gitlab(path, known):
    jobs = yaml.safe_load(open(path))
    job = jobs["coverage"]
    if "image" not in job:
        fail(f"{path}: no image")
    if job.get("allow_failure") != {"exit_codes": [1]}:
        fail(f"{path}: allow_failure is not exit_codes: [1]")
    artifacts = job.get("artifacts", {})
    if artifacts.get("reports", {}).get("codequality") != "gl-code-quality-report.json":
        fail(f"{path}: no Code Quality report")
    for kept in ("coverage.lst", "report/"):
        if kept not in artifacts.get("paths", []):
            fail(f"{path}: {kept} is not kept")
    if artifacts.get("when") != "always":
        fail(f"{path}: the artifacts are not kept when the job fails")
    check_commands(path, job.get("before_script", []) + job["script"], known)


def main():
    source, korvcmp, lost, report = sys.argv[1:5]
    known = {"korvcmp": options_of(korvcmp), "korvcmp-lost": options_of(lost),
             "korvcmp-report": options_of(report)}
    github(os.path.join(source, "docs/ci/github-coverage.yml"), known)
    gitlab(os.path.join(source, "docs/ci/gitlab-coverage.yml"), known)
    for message in failures:
        print("FAIL:", message)
    if not failures:
        print("the CI recipes parse and run korvcmp's programs with options they take")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
