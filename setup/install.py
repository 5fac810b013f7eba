"""The installation job: installs the missing build tools and ends with "ok" and
no launcher, after which the setup window asks for a new info reply.

Tools that are really absent are installed with the system's package manager,
run with the user's consent (pkexec asks for the password on Linux; winget goes
through Windows' own prompt). Tools that TARNWELL_STANDIN_MISSING only pretends
are missing get a stand-in installation that is remembered in the user's
configuration, so that the next info reply no longer lists them.

How it stops when the window's Cancel asks it to (it is given no install
folder, so no marker reaches it): on Linux SIGTERM is noted and the job ends
with "cancelled" at its next look, after a running package manager has
finished; on Windows the process is ended at once, and a running package
manager goes on to its own end while the window waits for it.
"""

import os
import subprocess
import tempfile

from . import info, store, system
from .job import Job, StepFailed, crash, scenario_failure
from .steps import INSTALL_STEPS, ALL_IDS
from .translate import _, list_text, reason

LOG_NAME = "install.log"
# Share of TARNWELL_STANDIN_SECONDS that a pretended installation takes.
PRETEND_SHARE = 0.1


class Install:
    def __init__(self, job, scenario):
        self.job = job
        self.scenario = scenario

    def run(self):
        job, step = self.job, INSTALL_STEPS[0]
        job.step(step, "started")
        if self.scenario.crash_step == step.id:
            crash(step)
        if self.scenario.fail_step == step.id:
            raise scenario_failure(self.scenario, step)
        missing, command, _can = info.tools_status(self.scenario)
        if not missing:
            job.log("All build tools are already installed.")
        else:
            job.log("Missing build tools: %s" % ", ".join(missing))
            pretend = [t for t in missing if t in self.scenario.pretend_missing]
            real = [t for t in missing if t not in pretend]
            if real:
                self.install_real(real)
            if pretend:
                self.install_pretend(pretend)
            still, command, can_install = info.tools_status(self.scenario)
            if still:
                raise StepFailed(_("Some build tools are still missing."),
                                 _("Missing: {tools}").format(tools=list_text(still))
                                 + info.tools_hint(command, can_install),
                                 command)
        job.progress(_("All build tools are installed"), 1, 1)
        job.step(step, "finished")
        return ""

    def install_real(self, tools):
        job = self.job
        command = system.install_command(tools)
        commands = system.install_argv_list(tools)
        if commands is None:
            raise StepFailed(_("Setup cannot install the build tools on this PC."),
                             _("Missing: {tools}").format(tools=list_text(tools)) + info.tools_hint(command, False),
                             command)
        job.check()
        for n, argv in enumerate(commands):
            job.progress(_("Installing with {tool}").format(tool=argv[0]), n, len(commands))
            job.log("Running: %s" % " ".join(argv))
            # The package manager is not interrupted half-way: stopping it
            # there could leave the system's packages in a broken state.
            try:
                proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)
            except OSError as e:
                raise StepFailed(_("The build tools could not be installed."),
                                 _("{tool} could not be started: {reason}").format(tool=argv[0],
                                                                                  reason=reason(e)),
                                 command)
            for raw in proc.stdout:
                job.log(raw.decode("utf-8", "replace").rstrip("\r\n"))
            code = proc.wait()
            if code != 0:
                if argv[0] == "pkexec" and code in (126, 127):
                    detail = _("The password was not given, so nothing was installed.")
                else:
                    detail = _("{tool} ended with exit code {code}. The log holds its output.").format(tool=argv[0], code=code)
                raise StepFailed(_("The build tools could not be installed."), detail, command)

    def install_pretend(self, tools):
        job = self.job
        seconds = self.scenario.seconds * PRETEND_SHARE / len(tools)
        for n, tool in enumerate(tools):
            job.progress(_("Installing {tool}").format(tool=tool), n, len(tools))
            job.log("Unpacking %s (stand-in) ..." % tool)
            job.wait(seconds / 2)
            job.log("Setting up %s (stand-in) ..." % tool)
            job.wait(seconds / 2)
            done = info.pretend_installed()
            if tool not in done:
                if not store.update_config(standin_installed=done + [tool]):
                    raise StepFailed(_("The build tools could not be installed."),
                                     "The stand-in could not note %s as installed in %s."
                                     % (tool, store.config_path()))
        job.progress(_("Installed {tools}").format(tools=list_text(tools)), len(tools), len(tools))


def run(out, scenario):
    """Runs the installation job; returns the exit code."""
    scenario.check_steps(ALL_IDS)
    folder = system.config_dir()
    try:
        os.makedirs(folder, exist_ok=True)
        log_path = os.path.join(folder, LOG_NAME)
    except OSError:
        log_path = os.path.join(tempfile.gettempdir(), "tarnwell-" + LOG_NAME)
    job = Job(out, scenario, log_path)
    job.start(INSTALL_STEPS)
    return job.finish(Install(job, scenario).run, resumable=False)
