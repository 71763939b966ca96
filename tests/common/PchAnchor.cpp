// The one file of the target that builds the headers every test program shares, once.
