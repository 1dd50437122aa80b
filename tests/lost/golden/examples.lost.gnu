src/control.c: note: not compared (different profile), so its lost coverage cannot be shown
src/display.c:52: lost: calls in disp_show_mode(): FUNCTION disp_show_mode()
src/main.c:25: lost: FALSE outcome in parse_args(): for (i = 1; i < argc; i++)
src/main.c:27: lost: TRUE outcome in parse_args(): if (strcmp(argv[i], "-v") == 0)
src/main.c:29: lost: hits in parse_args(): continue
src/main.c:31: lost: TRUE outcome in parse_args(): else if (strcmp(argv[i], "-s") == 0)
src/main.c:32: lost: FALSE outcome in parse_args(): if (i + 1 >= argc)
src/main.c:43: lost: hits in parse_args(): }
src/main.c:52: lost: hits in handle_key(): case KEY_UP:
src/main.c:54: lost: hits in handle_key(): break
src/main.c:58: lost: hits in handle_key(): case KEY_MODE:
src/main.c:80: lost: FALSE outcome in run_loop(): while (!stop_requested)
src/main.c:96: lost: TRUE outcome in run_loop(): expr-andor: t->alarm = temp > t->alarm_hi || temp < t->alarm_lo
src/main.c:96: lost: TRUE outcome in run_loop(): 1 temp > t->alarm_hi
src/main.c:96: lost: MC/DC pair in run_loop(): MC/DC 1:- temp > t->alarm_hi
src/main.c:99: lost: FALSE outcome in run_loop(): ternary-?: return errors ? -1 : 0
src/main.c:111: lost: FALSE outcome in main(): 1 selftest_mode
src/main.c:118: lost: TRUE outcome in main(): COND rc = (run_loop(&thermo) == 0 && !fault_latched)
src/selftest.c: note: not compared (no file), so its lost coverage cannot be shown
src/sensor.c:69: lost: TRUE outcome in sensor_filter(): do-while (--f->settle > 0 && f->n < FILT_WARMUP)
src/sensor.c:69: lost: TRUE outcome in sensor_filter(): 1 --f->settle > 0
src/sensor.c:69: lost: TRUE outcome in sensor_filter(): 2 f->n < FILT_WARMUP
src/sensor.c:69: lost: FALSE outcome in sensor_filter(): 2 f->n < FILT_WARMUP
src/sensor.c:69: lost: MC/DC pair in sensor_filter(): MC/DC 1:- --f->settle > 0
src/sensor.c:69: lost: MC/DC pair in sensor_filter(): MC/DC 2:- f->n < FILT_WARMUP
