# Keys that arrived where they were typed: the longest run of the typed text
# kept in order in what the window or the peer got.
import sys
def kept(a, b):
    prev = [0] * (len(b) + 1)
    for ca in a:
        cur = [0]
        for j, cb in enumerate(b):
            cur.append(prev[j] + 1 if ca == cb else max(prev[j + 1], cur[j]))
        prev = cur
    return prev[-1]
print(kept(sys.argv[1], sys.argv[2]))
