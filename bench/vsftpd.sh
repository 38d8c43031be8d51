# Sourced by the benchmarks that time against vsftpd on loopback: the checks, the test account,
# free ports, the server's settings, starting a server and the median of a column of figures.
# Set user and pass before bench_setup, srv (the server's root) before vsftpd_config.

# bench_setup SCRIPT TOOL...: root (vsftpd logs in a system account), the tools, the account.
bench_setup() {
  local script=$1 tool
  shift
  [ "$(id -u)" = 0 ] || { echo "$script needs root (vsftpd logs in a system account)"; exit 1; }
  for tool in "$@" /usr/sbin/vsftpd; do
    command -v "$tool" >/dev/null || { echo "missing $tool (make build; make deps)"; exit 1; }
  done
  id "$user" >/dev/null 2>&1 || useradd -M -s /bin/sh -d / "$user"
  echo "$user:$pass" | chpasswd
}

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# vsftpd_config PORT PASV_MIN PASV_MAX: settings every benchmark server shares.
vsftpd_config() {
  cat <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$1
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
local_root=$srv
pasv_enable=YES
pasv_min_port=$2
pasv_max_port=$3
pasv_address=127.0.0.1
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
pam_service_name=vsftpd
secure_chroot_dir=/var/run/vsftpd/empty
xferlog_enable=NO
max_clients=100
max_per_ip=100
CONF
}

# start_vsftpd CONF PORT: starts a server and waits until it accepts; stop_vsftpd ends them all.
vsftpd_pids=()
start_vsftpd() {
  mkdir -p /var/run/vsftpd/empty
  /usr/sbin/vsftpd "$1" &
  vsftpd_pids+=($!)
  for _ in $(seq 1 50); do (exec 3<>/dev/tcp/127.0.0.1/"$2") 2>/dev/null && break; sleep 0.1; done
}
stop_vsftpd() {
  local pid
  for pid in "${vsftpd_pids[@]}"; do kill "$pid" 2>/dev/null; done
  return 0
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
