"""The build job: checks the inputs for real, spends the stand-in time on the heavy
steps, and leaves a runnable launcher behind.

Everything the build keeps between runs lies in DEST/.setup: the log file, the
record of finished steps (so a stopped build goes on where it stopped), the
icon, and the cancel marker that the setup window creates to stop the job.
"""

import os
import shutil
import tempfile

from . import __version__, emblem, info, shortcuts, store, system
from .job import Job, StepFailed, crash, scenario_failure
from .steps import ALL_IDS, build_steps, heavy_weight, long_log_line
from .translate import _, decimal, list_text, reason

NEEDED_GB = 36
LOG_NAME = "setup.log"
ICON_NAME = "icon.png"
MARKER_NAME = "cancel"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
GAME_HINT = _("Choose the .nup file of Hollow Lantern, or the folder that holds exefs and romfs.")


def marker_path(dest):
    return os.path.join(store.setup_dir(dest), MARKER_NAME)


def _child_dir(folder, name):
    """The subfolder of folder called name, in any letter case, or None."""
    for entry in os.listdir(folder):
        if entry.lower() == name and os.path.isdir(os.path.join(folder, entry)):
            return os.path.join(folder, entry)
    return None


def check_game(path):
    """Checks the copy of the game; returns "nup" or "folder", or raises StepFailed
    whose detail names the path."""
    if not path:
        raise StepFailed(_("No copy of the game was chosen."), GAME_HINT)
    if not os.path.exists(path):
        raise StepFailed(_("Your copy of the game was not found."),
                         _("Nothing is at {path}.").format(path=path) + "\n" + GAME_HINT)
    if os.path.isdir(path):
        try:
            exefs, romfs = _child_dir(path, "exefs"), _child_dir(path, "romfs")
        except OSError as e:
            raise StepFailed(_("The folder of your game copy cannot be read."),
                             "%s\n%s" % (path, reason(e)))
        if not exefs and not romfs:
            raise StepFailed(_("This folder does not hold exefs and romfs."),
                             "%s\n%s" % (path, GAME_HINT))
        if not exefs or not romfs:
            raise StepFailed(_("This folder holds {found} but no {missing}.").format(
                found="romfs" if romfs else "exefs", missing="exefs" if romfs else "romfs"),
                "%s\n%s %s" % (path, _("A complete copy holds both folders."), GAME_HINT))
        return "folder"
    if os.path.isfile(path):
        if not path.lower().endswith(".nup"):
            raise StepFailed(_("This file is not a .nup file."), "%s\n%s" % (path, GAME_HINT))
        try:
            with open(path, "rb") as f:
                first = f.read(1)
        except OSError as e:
            raise StepFailed(_("Your .nup file cannot be read."), "%s\n%s" % (path, reason(e)))
        if not first:
            raise StepFailed(_("Your .nup file is empty."),
                             "%s\n%s" % (path, _("Copy the file again from your console or backup.")))
        return "nup"
    raise StepFailed(_("This is neither a .nup file nor a folder."), "%s\n%s" % (path, GAME_HINT))


def game_fingerprint(path):
    """Size and times that change when the copy of the game is replaced; None when
    the copy is not usable, so that a build never resumes on top of it."""
    try:
        kind = check_game(path)
        if kind == "nup":
            st = os.stat(path)
            return [st.st_size, st.st_mtime_ns]
        # Not the folder's own time: an install folder made inside it changes that.
        parts = [_child_dir(path, "exefs"), _child_dir(path, "romfs")]
        return [os.stat(p).st_mtime_ns for p in parts]
    except (StepFailed, OSError):
        return None


def _size_text(size):
    return "%.1f GB" % (size / 1e9) if size >= 1e8 else "%d bytes" % size


class Build:
    def __init__(self, job, scenario, game, dest, quality, desktop_entry, setup_error):
        self.job = job
        self.scenario = scenario
        self.game = game
        self.dest = dest
        self.quality = quality
        self.desktop_entry = desktop_entry
        self.setup_error = setup_error
        self.steps = build_steps(scenario)
        self.fingerprint = game_fingerprint(game)
        self.flooded = False
        self.record_warned = False
        self.resume_from, self.resume_note = self.plan()

    # Resuming.

    def plan(self):
        """How many leading steps are already done, and a sentence on why not more."""
        if self.setup_error is not None or not self.dest:
            return 0, ""
        record = store.load_record(self.dest)
        finished = record.get("finished")
        if not isinstance(finished, list):
            return 0, ""
        count = 0
        while count < len(finished) and count < len(self.steps) and \
                finished[count] == self.steps[count].id:
            count += 1
        if count == 0:
            return 0, ""
        if record.get("version") != __version__:
            return 0, "Setup changed since the last build, so the build starts from the beginning."
        if record.get("game") != self.game or record.get("game_id") != self.fingerprint:
            return 0, ("This copy of the game is not the one of the last build, "
                       "so the build starts from the beginning.")
        if record.get("quality") != self.quality:
            first = next(i for i, s in enumerate(self.steps) if s.by_quality)
            if count > first:
                return first, ('The quality level changed, so the build goes on from "%s".'
                               % self.steps[first].title)
        return count, ""

    def save_record(self, finished_count):
        record = {
            "version": __version__,
            "game": self.game,
            "game_id": self.fingerprint,
            "quality": self.quality,
            "finished": [s.id for s in self.steps[:finished_count]],
        }
        try:
            store.save_record(self.dest, record)
        except OSError as e:
            if not self.record_warned:
                self.record_warned = True
                self.job.log("The record of finished steps could not be saved (%s); "
                             "a stopped build will start again from the beginning." % (reason(e)))

    # The run.

    def run(self):
        job = self.job
        job.log("Tarnwell setup %s (stand-in backend: the heavy steps only take time)." % __version__)
        job.log("Game copy: %s" % (self.game or "(none)"))
        job.log("Install folder: %s" % (self.dest or "(none)"))
        job.log("Quality: %s" % self.quality)
        levels = info.levels(self.scenario)
        if self.quality not in [level["id"] for level in levels]:
            raise StepFailed(_('The quality level "{level}" is not known.').format(level=self.quality),
                             _("Choose one of: {levels}.").format(
                                 levels=list_text([level["name"] for level in levels])))
        if self.scenario.long:
            job.log(long_log_line())
        if self.resume_note:
            job.log(self.resume_note)
        if self.resume_from:
            job.log("Going on from the last finished step: %d of %d are done."
                    % (self.resume_from, len(self.steps)))

        usable = self.setup_error is None and bool(self.dest)
        if usable:
            # From here on the record claims no more than this run builds on.
            self.save_record(self.resume_from)

        forced = (self.scenario.fail_step, self.scenario.crash_step)
        for i, step in enumerate(self.steps):
            if i < self.resume_from and not step.always and step.id not in forced:
                job.step(step, "finished")
                job.log("Already done: %s" % step.title)
                continue
            job.check()
            job.step(step, "started")
            try:
                self.run_step(step)
            except StepFailed:
                # A failed step is not finished, nor is anything after it.
                if usable and i < self.resume_from:
                    self.save_record(i)
                raise
            job.step(step, "finished")
            if usable and i >= self.resume_from:
                self.save_record(i + 1)
        return shortcuts.launcher_path(self.dest)

    def run_step(self, step):
        scenario = self.scenario
        fail = None
        if step.id == scenario.crash_step:
            fail = lambda: crash(step)
        elif step.id == scenario.fail_step:
            fail = lambda: self.fail(step)
        if step.heavy:
            if scenario.log_flood and not self.flooded:
                self.flooded = True
                self.job.flood(scenario.log_flood)
            seconds = scenario.seconds * step.weight / heavy_weight(self.steps)
            self.job.stand_in(step, seconds, fail)
        else:
            getattr(self, "step_" + step.id)()
            if fail is not None:
                fail()

    def fail(self, step):
        self.job.log("Failing on purpose in step %s." % step.id)
        raise scenario_failure(self.scenario, step)

    # The real steps.

    def step_check(self):
        self.job.progress(_("Reading your copy of the game"), 0, 1)
        kind = check_game(self.game)
        if kind == "nup":
            self.job.log("Your copy of the game is a .nup file of %s."
                         % _size_text(os.path.getsize(self.game)))
        else:
            self.job.log("Your copy of the game is a folder with exefs and romfs.")
        self.job.progress(_("Your copy of the game is complete"), 1, 1)

    def step_folder(self):
        dest = self.dest
        self.job.progress(_("Checking the install folder"), 0, 2)
        if not dest:
            raise StepFailed(_("No install folder was chosen."),
                             _("Choose where Tarnwell should go (about {size} GB).").format(size=NEEDED_GB))
        if os.path.exists(dest) and not os.path.isdir(dest):
            raise StepFailed(_("The install folder is a file."),
                             "%s\n%s" % (dest, _("Choose a folder, or a new name for one.")))
        if self.setup_error is not None:
            raise StepFailed(_("The install folder could not be created."),
                             "%s\n%s" % (dest, reason(self.setup_error)))
        probe = os.path.join(dest, ".setup-write-test-%d" % os.getpid())
        try:
            with open(probe, "w") as f:
                f.write("Tarnwell setup checks that it can write here.\n")
            os.remove(probe)
        except OSError as e:
            raise StepFailed(_("Setup cannot write to the install folder."),
                             "%s\n%s\n%s" % (dest, reason(e),
                                             _("Choose a folder of your own, for example in your home folder.")))
        self.job.progress(_("Measuring the free space"), 1, 2)
        free = system.free_gb(dest, self.scenario)
        heavy_left = any(s.heavy for s in self.steps[self.resume_from:])
        if free is None:
            self.job.log("The free space of the install drive could not be measured.")
        elif free < NEEDED_GB and heavy_left:
            self.job.warning(_("Only {free} GB are free on the install drive; the build needs about {size} GB.")
                             .format(free=decimal(free), size=NEEDED_GB))
        else:
            self.job.log("%.1f GB are free on the install drive." % free)
        self.job.progress(_("The install folder is ready"), 2, 2)

    def step_tools(self):
        missing, command, can_install = info.tools_status(self.scenario)
        if missing:
            raise StepFailed(_("This PC needs a few build tools first."),
                             _("Missing: {tools}").format(tools=list_text(missing))
                             + info.tools_hint(command, can_install),
                             command)
        for names in system.tool_names(self.scenario):
            found = next((shutil.which(n) for n in names if shutil.which(n)), None)
            self.job.log("Found %s: %s" % (names[0], found))
        self.job.progress(_("All build tools are here"), 1, 1)

    def step_icon(self):
        path = os.path.join(store.setup_dir(self.dest), ICON_NAME)
        self.job.progress(_("Looking for the icon"), 0, 1)
        source = self.game_icon()
        try:
            if source:
                shutil.copyfile(source, path)
                self.job.log("Took the icon from %s." % source)
            else:
                emblem.write_emblem(path)
                self.job.log("Drew the Tarnwell emblem as the icon.")
        except OSError as e:
            # The game runs without it; only the shortcuts lose their picture.
            self.job.warning(_("The icon could not be saved: {reason}").format(reason=reason(e)))
            return
        self.job.icon(path)
        self.job.progress(_("The icon is ready"), 1, 1)

    def game_icon(self):
        """A PNG named icon*.png at the top of an unpacked copy of the game, if any."""
        if not os.path.isdir(self.game):
            return None
        try:
            names = sorted(os.listdir(self.game))
        except OSError:
            return None
        for name in names:
            path = os.path.join(self.game, name)
            if name.lower().startswith("icon") and name.lower().endswith(".png") \
                    and os.path.isfile(path):
                try:
                    with open(path, "rb") as f:
                        if f.read(8) == PNG_SIGNATURE:
                            return path
                except OSError:
                    pass
        return None

    def step_finish(self):
        job = self.job
        try:
            launcher = shortcuts.write_launcher(self.dest, self.quality)
        except OSError as e:
            raise StepFailed(_("The launcher could not be written."), "%s\n%s" % (
                shortcuts.launcher_path(self.dest), reason(e)))
        job.log("Wrote the launcher %s." % launcher)
        icon = os.path.join(store.setup_dir(self.dest), ICON_NAME)
        try:
            entry = shortcuts.write_shortcut(system.menu_dir(), self.dest, icon)
            job.log("Added Tarnwell to the application menu: %s" % entry)
        except OSError as e:
            job.warning(_("Tarnwell could not be added to the application menu: {reason}").format(
                reason=reason(e)))
        if self.desktop_entry:
            try:
                entry = shortcuts.write_shortcut(system.desktop_dir(), self.dest, icon)
                job.log("Put a shortcut on the desktop: %s" % entry)
            except OSError as e:
                job.warning(_("The desktop shortcut could not be made: {reason}").format(reason=reason(e)))
        if not store.update_config(dest=self.dest, game=self.game, quality=self.quality,
                                   desktop=self.desktop_entry):
            job.warning(_("Setup could not remember this install folder for next time."))
        job.progress(_("Tarnwell is ready"), 1, 1)


def default_quality(scenario):
    quality = store.load_config().get("quality")
    if quality in info.LEVEL_IDS:
        return quality
    return info.suggest(system.find_gpu(scenario), None)[0]


def run(out, scenario, game, dest, quality=None, desktop_entry=False):
    """Runs a build; returns the exit code."""
    scenario.check_steps(ALL_IDS)
    game = os.path.abspath(game) if game else ""
    dest = os.path.abspath(dest) if dest else ""
    if quality is None:
        quality = default_quality(scenario)

    setup_error = None
    if dest:
        try:
            os.makedirs(store.setup_dir(dest), exist_ok=True)
        except OSError as e:
            setup_error = e
    if dest and setup_error is None:
        log_path = os.path.join(store.setup_dir(dest), LOG_NAME)
        markers = [marker_path(dest)]
    else:
        # Without an install folder the log still has to go somewhere the
        # player can open it.
        log_path = os.path.join(tempfile.gettempdir(), "tarnwell-setup.log")
        markers = []

    job = Job(out, scenario, log_path, markers)
    job.remove_markers(stale=True)
    build = Build(job, scenario, game, dest, quality, desktop_entry, setup_error)
    job.start(build.steps)
    return job.finish(build.run)
