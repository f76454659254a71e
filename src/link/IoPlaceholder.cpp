// The io library gathers the head link, the acquisition thread, the UDP sink
// and file access as they are added; this unit keeps the target non-empty.
namespace tubescan_io_detail {
int linked = 0;
}
