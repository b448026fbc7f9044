# A small window of another program for the agent to type into: it writes
# what it holds to the file named by its argument after every key.
import sys, tkinter
out = sys.argv[1]
root = tkinter.Tk(className="scratchpad")
root.title("Scratch pad")
root.geometry("420x120+1100+80")
text = tkinter.Text(root, width=50, height=5)
text.pack(fill="both", expand=True)
def save(_=None):
    with open(out, "w") as f:
        f.write(text.get("1.0", "end-1c"))
text.bind("<KeyRelease>", save)
# Escape empties it, for the next line.
text.bind("<Escape>", lambda _: (text.delete("1.0", "end"), save()))
text.focus_set()
save()
root.mainloop()
