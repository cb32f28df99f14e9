"""What every end-to-end test shares: where the updater's server is, the
texts the updater shows, how long a test waits for what, and where its
files are. A test file imports these instead of defining its own."""
import os

ENV = os.environ

# --- the server --------------------------------------------------------------------------------
# The build's UPDATER_SERVER is 127.0.0.1:<port>; the tests serve on that port.
PORT = int(ENV.get("E2E_PORT", "0"))
BASE = "http://127.0.0.1:%d" % PORT
# Where the updater asks for its manifest.
MANIFEST_PATH = "/talvoriaupdate/update_pemrick_2010.txt"

# --- the updater's status texts ----------------------------------------------------------------
CHECKING = "正在获取更新信息..."
NO_UPDATE = "已是最新版本，无需升级！"
FAILED = "获取更新信息失败！"
COMPARING = "正在核对更新信息..."
DOWNLOADING = "正在下载"
APPLYING = "正在应用更新文件..."
CANCELLING = "正在取消..."


def downloading(number, name):
    """The status while the number-th file (from 1) of the list, name, downloads."""
    return "%s第%d个文件：%s..." % (DOWNLOADING, number, name)


# --- time-outs, generous: a passing test never waits one out ----------------------------------
RUN_S = 90.0        # an updater run from start to end
STATUS_S = 30.0     # a status text to show
SETTLE_S = 60.0     # a process to end after it was told or killed, a server event to come
HELPER_MS = 10000   # the window helper's own wait for the updater's window

# --- paths -------------------------------------------------------------------------------------
HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCES = os.path.join(HERE, "..", "references")
KEYS = ENV.get("KEYS", "")


def work_dir(test):
    """The folder of one test (a unittest.TestCase), under E2E_WORK, named after its method."""
    return os.path.join(ENV["E2E_WORK"], test.id().split(".")[-1])
